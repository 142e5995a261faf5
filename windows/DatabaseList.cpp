#include "windows/DatabaseList.h"

#include <QListWidget>

#include <exception>

#include "platform/Dialogs.h"
#include "platform/QtAnsi.h"
#include "upgrade/DatabaseConnections.h"
#include "windows/AliasLookup.h"

namespace velm {

namespace {

constexpr int kEntryRole = Qt::UserRole;

QString displayText(const std::string& entry) {
    try {
        return fromAnsi(entry);
    } catch (const std::exception&) {
        // A byte the code page does not define still shows; the entry
        // itself is kept exactly in the line's data.
        return QString::fromLatin1(entry.data(), static_cast<qsizetype>(entry.size()));
    }
}

template <class Connection>
void closeIfConnected(Connection& connection) {
    try {
        if (connection.Connected()) connection.Close();
    } catch (const std::exception&) {
        // A connection that cannot even close cleanly is gone all the same.
    }
}

}  // namespace

void readDatabaseEntry(QListWidget& CheckListBox1) {
    const std::string entry = readDatabaseEntryText();
    auto* line = new QListWidgetItem(displayText(entry), &CheckListBox1);
    line->setData(kEntryRole, QByteArray(entry.data(), static_cast<qsizetype>(entry.size())));
    line->setFlags(line->flags() | Qt::ItemIsUserCheckable);
    line->setCheckState(Qt::Unchecked);
}

std::string databaseEntry(const QListWidgetItem& line) {
    const QVariant stored = line.data(kEntryRole);
    if (stored.isValid()) {
        const QByteArray bytes = stored.toByteArray();
        return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    }
    return toAnsi(line.text());
}

std::vector<std::string> tickedDatabaseEntries(const QListWidget& CheckListBox1) {
    std::vector<std::string> entries;
    for (int i = 0; i < CheckListBox1.count(); ++i) {
        const QListWidgetItem& line = *CheckListBox1.item(i);
        if (line.checkState() == Qt::Checked) entries.push_back(databaseEntry(line));
    }
    return entries;
}

bool testDatabaseEntries(QListWidget& CheckListBox1, DatabaseConnections& connections) {
    for (int i = 0; i < CheckListBox1.count(); ++i) {
        QListWidgetItem& line = *CheckListBox1.item(i);
        const std::string s = databaseEntry(line);
        const std::string path = resolveEntry(s);
        if (path.empty()) {
            dialogs().message("Alias " + s + " do BDE n\xE3o encontrado.");
            return false;
        }
        connections.FbDatabase1.setDatabaseName(path);
        try {
            connections.Database1.Open();
        } catch (const std::exception&) {
            closeIfConnected(connections.Database1);
            dialogs().message("Conex\xE3o com o MYSQL da internet n\xE3o localizado.");
            return false;
        }
        try {
            connections.FbDatabase1.Open();
        } catch (const std::exception&) {
            closeIfConnected(connections.Database1);
            closeIfConnected(connections.FbDatabase1);
            // The same wording when the entry was a path rather than an alias.
            dialogs().message("Alias " + s + " encontrado, mas arquivo apontado por ele " + path +
                              " n\xE3o foi encontrado.");
            return false;
        }
        connections.FbDatabase1.Close();
        line.setCheckState(Qt::Checked);
    }
    return true;
}

}  // namespace velm
