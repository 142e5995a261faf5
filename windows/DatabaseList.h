#pragma once

#include <string>
#include <vector>

class QListWidget;
class QListWidgetItem;

namespace velm {

class DatabaseConnections;

// The update window's database list (CheckListBox1): one line per database
// entry, a tick meaning the entry passed the connection test. Each line
// keeps the entry's exact ANSI bytes beside its displayed text.

// Reads the entry from Sys_Info.INI in the current folder and appends it as
// a new, unticked line. Raises FileError when the file cannot be read.
void readDatabaseEntry(QListWidget& CheckListBox1);

// The entry a line holds (ANSI text).
std::string databaseEntry(const QListWidgetItem& line);

// The entries of the ticked lines, in list order.
std::vector<std::string> tickedDatabaseEntries(const QListWidget& CheckListBox1);

// Tests every line in order: resolves the entry, opens the catalogue
// (Database1) and the product database (FbDatabase1, closed again) and ticks
// the line. At the first failure shows its message, leaves that line and the
// later ones unticked and returns false. When all pass the catalogue stays
// open.
bool testDatabaseEntries(QListWidget& CheckListBox1, DatabaseConnections& connections);

}  // namespace velm
