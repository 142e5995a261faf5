#pragma once

#include <string>

class QListWidget;
class QListWidgetItem;

namespace velm {

class Taguarde;

// The update window's database list (CheckListBox1): one line per database
// entry, a tick meaning the entry passed the connection test. Each line
// keeps the entry's exact ANSI bytes beside its displayed text.

// Reads the entry from Sys_Info.INI in the current folder and appends it as
// a new, unticked line. Raises FileError when the file cannot be read.
void readDatabaseEntry(QListWidget& CheckListBox1);

// The entry a line holds (ANSI text).
std::string databaseEntry(const QListWidgetItem& line);

// Tests every line in order: resolves the entry, opens the catalogue
// (aguarde.Database1) and the product database (aguarde.FbDatabase1, closed
// again) and ticks the line. At the first failure shows its message, leaves
// that line and the later ones unticked and returns false. When all pass the
// catalogue stays open.
bool testDatabaseEntries(QListWidget& CheckListBox1, Taguarde& aguarde);

}  // namespace velm
