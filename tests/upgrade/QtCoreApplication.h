#pragma once

#include <QCoreApplication>

namespace velm::test {

// Qt Sql loads its drivers only with an application object; the database
// test program has none of its own, so the first test that needs one makes
// it, and it lives for the rest of the program.
inline void ensureQtApplication() {
    if (QCoreApplication::instance()) return;
    static int argc = 1;
    static char name[] = "velm_db_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
}

}  // namespace velm::test
