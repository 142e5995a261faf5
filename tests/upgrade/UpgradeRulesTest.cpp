#include <gtest/gtest.h>

#include "platform/DateTime.h"
#include "platform/FileSystem.h"
#include "platform/Locale.h"
#include "upgrade/CommitWorkLines.h"
#include "upgrade/ScriptFailureFile.h"
#include "upgrade/UpgradeProgress.h"
#include "upgrade/UpgradeSql.h"
#include "upgrade/WorkingList.h"

namespace velm {
namespace {

TEST(UpgradeSql, BuiltTextsQuoteTheirValues) {
    struct Row {
        const char* key;
        const char* version;
        const char* count;
        const char* list;
        const char* record;
        const char* reason;
    };
    const Row rows[] = {
        {"QUORIX_SENHA", "9",
         "select count(*) ct from scripts where programa='QUORIX_SENHA' and versao>'9' and "
         "liberado='S' order by versao",
         "select programa,versao from scripts where programa='QUORIX_SENHA' and versao>'9' and "
         "liberado='S' order by versao",
         "update versao set versao='9';", "values without a quote: the plain concatenation"},
        {"QUORIX_SENHA", "",
         "select count(*) ct from scripts where programa='QUORIX_SENHA' and versao>'' and "
         "liberado='S' order by versao",
         "select programa,versao from scripts where programa='QUORIX_SENHA' and versao>'' and "
         "liberado='S' order by versao",
         "update versao set versao='';", "an empty version stays an empty literal"},
        {"QUORIX_SENHA", "1'5",
         "select count(*) ct from scripts where programa='QUORIX_SENHA' and versao>'1''5' and "
         "liberado='S' order by versao",
         "select programa,versao from scripts where programa='QUORIX_SENHA' and versao>'1''5' "
         "and liberado='S' order by versao",
         "update versao set versao='1''5';", "a quote in a version is doubled"},
        {"QUORIX_SENHA", "0' or '1'='1",
         "select count(*) ct from scripts where programa='QUORIX_SENHA' and versao>'0'' or "
         "''1''=''1' and liberado='S' order by versao",
         "select programa,versao from scripts where programa='QUORIX_SENHA' and versao>'0'' or "
         "''1''=''1' and liberado='S' order by versao",
         "update versao set versao='0'' or ''1''=''1';",
         "a version read from a database cannot widen what the catalogue selects"},
        {"O'K", "''",
         "select count(*) ct from scripts where programa='O''K' and versao>'''''' and "
         "liberado='S' order by versao",
         "select programa,versao from scripts where programa='O''K' and versao>'''''' and "
         "liberado='S' order by versao",
         "update versao set versao='''''';", "the key is quoted too; quotes in a row all doubled"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.reason);
        EXPECT_EQ(pendingCountSql(row.key, row.version), row.count);
        EXPECT_EQ(pendingListSql(row.key, row.version), row.list);
        EXPECT_EQ(recordVersionSql(row.version), row.record);
    }
}

TEST(UpgradeProgress, NearestIntegerWithHalvesToEven) {
    const auto positions = [](int pending) {
        std::vector<int> shown;
        for (int done = 1; done <= pending; ++done)
            shown.push_back(upgradeProgressPosition(done, pending));
        return shown;
    };
    EXPECT_EQ(positions(3), (std::vector<int>{33, 67, 100}));
    EXPECT_EQ(positions(8), (std::vector<int>{12, 25, 38, 50, 62, 75, 88, 100}));
    EXPECT_EQ(positions(1), (std::vector<int>{100}));
    EXPECT_EQ(positions(200)[0], 0);  // 0.5 goes to 0
    EXPECT_EQ(positions(200)[2], 2);  // 1.5 goes to 2
    EXPECT_EQ(positions(40)[0], 2);   // 2.5 goes to 2
}

TEST(UpgradeProgress, CountThatDisagreesWithTheListStaysWithinTheBar) {
    struct Row {
        long long done, pending;
        int position;
        const char* reason;
    };
    const Row rows[] = {
        {1, 0, 100, "no script counted, one listed: no division by zero"},
        {3, 0, 100, "several listed, none counted"},
        {4, 3, 100, "more listed than counted"},
        {1000, 3, 100, "far more listed than counted"},
        {1, -1, 100, "a negative count from a broken catalogue"},
        {1, 3'000'000'000LL, 0, "a count beyond 32 bits"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(upgradeProgressPosition(row.done, row.pending), row.position) << row.reason;
}

TEST(WorkingList, TextsEntriesAndKey) {
    EXPECT_EQ(makeWorkingList({"LOJA", "C:\\dados\\BASE.GDB"}),
              (std::vector<std::string>{"M-LOJA", "M-C:\\dados\\BASE.GDB"}));
    struct Row {
        std::string text;
        std::string entry;
        const char* reason;
    };
    const Row rows[] = {
        {"M-LOJA", "LOJA", "the text after \"M-\""},
        {"M-  LOJA \t", "LOJA", "blanks trimmed at both ends"},
        {"M-" + std::string(100, 'a') + "b", std::string(100, 'a'), "cut at 100 characters"},
        {"M-/srv/BASE.GDB" + std::string(90, ' ') + "lixo", "/srv/BASE.GDB",
         "cut at 100, then trimmed"},
        {"M-", "", "an empty entry"},
        {"M", "", "shorter than its prefix"},
    };
    for (const Row& row : rows) EXPECT_EQ(workingListEntry(row.text), row.entry) << row.reason;
    EXPECT_EQ(productKeyFor("M-LOJA"), "QUORIX_SENHA");
    EXPECT_EQ(productKeyFor("X-LOJA"), "");
}

TEST(CommitWorkLines, OnlyWholeCommitWorkLinesAreBlanked) {
    struct Row {
        const char* line;
        const char* after;  // nullptr: the line mixes COMMIT WORK with other text
        const char* reason;
    };
    const Row rows[] = {
        {"COMMIT WORK;", " ", "the catalogue scripts' own commit"},
        {"  commit work ;  ", " ", "any case, blanks around, blank before the terminator"},
        {"\tCommit Work", " ", "without a terminator"},
        {"COMMIT WORK^", " ", "under another terminator"},
        {"COMMIT  WORK;", "COMMIT  WORK;", "two blanks: not COMMIT WORK, the engine runs it"},
        {"COMMIT;", "COMMIT;", "other commits stay"},
        {"COMMIT RETAINING;", "COMMIT RETAINING;", "other commits stay"},
        {"INSERT INTO T VALUES (1);", "INSERT INTO T VALUES (1);", "no commit at all"},
        {"INSERT INTO T VALUES (1); COMMIT WORK;", nullptr, "would lose the INSERT"},
        {"WHERE ID=5; COMMIT WORK;", nullptr, "would turn a DELETE into emptying the table"},
        {"COMMIT WORK; INSERT INTO T VALUES (1);", nullptr, "SQL after it"},
        {"COMMIT WORK; -- fim", " ", "a comment after it drops no SQL"},
        {"-- COMMIT WORK;", " ", "commented out"},
        {"/* COMMIT WORK */", " ", "commented out in a block"},
        {"  /* commit work; */ -- nada mais", " ", "comments and blanks only"},
        {"INSERT INTO T VALUES (1); -- COMMIT WORK", nullptr, "SQL before the comment"},
        {"/* x */ INSERT INTO T VALUES (1); -- COMMIT WORK", nullptr, "SQL between comments"},
        {"--COMMIT WORK;", nullptr, "the splitter takes \"--COMMIT\" for a statement's word"},
        {"INSERT INTO LOG VALUES ('COMMIT WORK');", nullptr, "inside a literal"},
        {"COMMIT WORKS;", nullptr, "a longer word"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.reason);
        std::vector<std::string> lines = {"SELECT 1 FROM RDB$DATABASE;", row.line};
        const auto mixed = blankCommitWorkLines(lines);
        if (row.after) {
            EXPECT_FALSE(mixed.has_value());
            EXPECT_EQ(lines[1], row.after);
        } else {
            ASSERT_TRUE(mixed.has_value());
            EXPECT_EQ(*mixed, 1u);
            EXPECT_EQ(lines[1], row.line);  // kept for the saved file
        }
        EXPECT_EQ(lines[0], "SELECT 1 FROM RDB$DATABASE;");
    }
}

// A COMMIT WORK line, bare or commented out, is blanked only where the
// splitter sees it between statements: elsewhere it is part of a literal, a
// body or a statement, or carries its terminator or a comment's end, and
// blanking it would change what runs.
TEST(CommitWorkLines, CommitWorkIsBlankedOnlyBetweenStatements) {
    using Lines = std::vector<std::string>;
    struct Row {
        Lines script;
        std::optional<std::size_t> mixed;
        const char* reason;
    };
    const Row rows[] = {
        {{"INSERT INTO T VALUES (1);", "-- COMMIT WORK;", "INSERT INTO T VALUES (2);"},
         std::nullopt,
         "between two statements"},
        {{"INSERT INTO T VALUES (1);", "COMMIT WORK;", "INSERT INTO T VALUES (2);", "COMMIT WORK ;"},
         std::nullopt,
         "the catalogue's own commits"},
        {{"INSERT INTO T VALUES ('linha 1", "COMMIT WORK;", "linha 3');"},
         1,
         "a bare line inside a literal: blanking it changes the data written"},
        {{"SET TERM ^ ;", "CREATE PROCEDURE P AS BEGIN", "  INSERT INTO T VALUES (1);",
          "COMMIT WORK;", "END^"},
         3,
         "a bare line inside a procedure's body"},
        {{"UPDATE T SET A = 1", "COMMIT WORK;"}, 1, "it ends the statement above"},
        {{"INSERT INTO T VALUES (1)", "-- COMMIT WORK;", "INSERT INTO T VALUES (2);"},
         1,
         "its terminator ends the INSERT above"},
        {{"INSERT INTO T VALUES ('a", "-- COMMIT WORK;", "');"}, 1, "inside a literal"},
        {{"/* inicio", " COMMIT WORK */", "INSERT INTO T VALUES (1);"},
         1,
         "it closes a comment opened above"},
        {{"SET TERM ^ ;", "/* COMMIT WORK; */", "INSERT INTO T VALUES (1)^"},
         std::nullopt,
         "under another terminator"},
        {{"SET TERM ^ ;", "CREATE TRIGGER X FOR T BEFORE INSERT AS BEGIN", "  -- COMMIT WORK;",
          "  NEW.A = 1;", "END^"},
         2,
         "inside a trigger's body it is part of the statement"},
        {{"-- COMMIT WORK;", "INSERT INTO T VALUES (1);", "/* COMMIT WORK */", "DELETE FROM T",
          "/* COMMIT WORK */ WHERE A = 1;"},
         4,
         "the first line that changes what runs is named"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.reason);
        Lines lines = row.script;
        EXPECT_EQ(blankCommitWorkLines(lines), row.mixed);
        if (row.mixed) {
            EXPECT_EQ(lines, row.script);  // the script does not run; kept for the saved file
        } else {
            for (std::size_t i = 0; i < lines.size(); ++i)
                EXPECT_EQ(lines[i], row.script[i].find("COMMIT WORK") == std::string::npos
                                        ? row.script[i]
                                        : " ");
        }
    }
}

TEST(CommitWorkLines, AScriptThatCannotRunKeepsEveryLineAsWritten) {
    const std::vector<std::string> script = {"COMMIT WORK;", "INSERT INTO T VALUES (1); COMMIT WORK;",
                                             "commit work;", "UPDATE T SET A=1; COMMIT WORK;"};
    std::vector<std::string> lines = script;
    EXPECT_EQ(blankCommitWorkLines(lines), std::optional<std::size_t>(1));
    EXPECT_EQ(lines, script);  // the saved file shows the script as the catalogue holds it
    EXPECT_TRUE(isWholeCommitWorkLine(" commit work ;"));
    EXPECT_FALSE(isWholeCommitWorkLine(script[1]));
}

TEST(ScriptFailureFile, TrocaCaractere) {
    EXPECT_EQ(TrocaCaractere("05/03/2024", "/", '-'), "05-03-2024");
    EXPECT_EQ(TrocaCaractere("14:07:09", ":", '-'), "14-07-09");
    EXPECT_EQ(TrocaCaractere("", "/", '-'), "");
    EXPECT_EQ(TrocaCaractere("a/b", "", '-'), "a/b");    // no character to look for
    EXPECT_EQ(TrocaCaractere("a/b", "a/", '-'), "a/b");  // a longer text equals no character
    EXPECT_EQ(TrocaCaractere("\xE7/\xE7", "\xE7", 'c'), "c/c");  // ANSI bytes compare as they are
}

TEST(ScriptFailureFile, NameCarriesDateTimeAndASafeEntry) {
    const DateTime at = encodeDateTime({2024, 3, 5, 14, 7, 9, 999});
    const LocaleFormats brazil;  // dd/mm/yyyy hh:mm:ss
    struct Row {
        std::string workingText;
        LocaleFormats formats;
        std::string name;
        const char* reason;
    };
    const Row rows[] = {
        {"M-SISTEMA", brazil, "SCRIPT_ERRO_DT_05-03-2024_HR_14-07-09 M-SISTEMA.TXT",
         "the alias case, exactly as always"},
        {"M-C:\\dados\\BASE.GDB", brazil,
         "SCRIPT_ERRO_DT_05-03-2024_HR_14-07-09 M-C__dados_BASE.GDB.TXT",
         "drive colon and separators replaced"},
        {"M-127.0.0.1:/srv/base.fdb", brazil,
         "SCRIPT_ERRO_DT_05-03-2024_HR_14-07-09 M-127.0.0.1__srv_base.fdb.TXT", "a server path"},
        {"M-a*b?c\"d<e>f|g\th", brazil,
         "SCRIPT_ERRO_DT_05-03-2024_HR_14-07-09 M-a_b_c_d_e_f_g_h.TXT",
         "every character Windows refuses in a name"},
        {"M-LOJA \xC7", brazil, "SCRIPT_ERRO_DT_05-03-2024_HR_14-07-09 M-LOJA \xC7.TXT",
         "blanks and ANSI letters are valid"},
        {"M-LOJA",
         {'.', ',', '.', '.'},
         "SCRIPT_ERRO_DT_05.03.2024_HR_14.07.09 M-LOJA.TXT",
         "the user's separators; only / and : turn into -"},
        {"M-LOJA",
         {'.', ',', '/', ':'},
         "SCRIPT_ERRO_DT_05-03-2024_HR_14-07-09 M-LOJA.TXT",
         "slash and colon separators"},
        {"M-" + std::string(300, 'x'), brazil,
         "SCRIPT_ERRO_DT_05-03-2024_HR_14-07-09 M-" + std::string(198, 'x') + ".TXT",
         "a long entry is cut so the name stays valid"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.reason);
        const std::string name = failedScriptFileName(at, row.formats, row.workingText);
        EXPECT_EQ(name, row.name);
        EXPECT_TRUE(matchesWildcard(name, "SCRIPT_ERRO*.*"));  // what the gate looks for
    }
}

// The search asks the listing for every name beginning "SCRIPT_ERRO" (with
// or without an extension) on a fresh list, and takes the first it sorted.
TEST(ScriptFailureFile, FirstSavedFileIsTheOneTheListingSortsFirst) {
    const std::vector<std::string> none, sorted = {"SCRIPT_ERRO", "script_erro_b.txt"};
    for (const std::vector<std::string>* listed : {&none, &sorted}) {
        std::vector<std::string> patterns;
        const std::string first =
            firstSavedScriptFile([&](const std::string& pattern, std::vector<std::string>& names) {
                patterns.push_back(pattern);
                EXPECT_TRUE(names.empty());
                names.insert(names.end(), listed->begin(), listed->end());
            });
        EXPECT_EQ(patterns, std::vector<std::string>{"SCRIPT_ERRO*.*"});
        EXPECT_EQ(first, listed->empty() ? "" : "SCRIPT_ERRO");
    }
}

TEST(ScriptFailureFile, CommentBlockAboveTheScript) {
    EXPECT_EQ(
        errorCommentLines("Dynamic SQL Error\r\nSQL error code = -204\r\nTable unknown\r\nX"),
        (std::vector<std::string>{"/* ERRO: ", " ", "Dynamic SQL Error", "SQL error code = -204",
                                  "Table unknown", "X", " ", ".....  */", " "}));
    EXPECT_EQ(errorCommentLines(""),
              (std::vector<std::string>{"/* ERRO: ", " ", "", " ", ".....  */", " "}));
    EXPECT_EQ(errorCommentLines("a\nb"),
              (std::vector<std::string>{"/* ERRO: ", " ", "a", "b", " ", ".....  */", " "}));
}

}  // namespace
}  // namespace velm
