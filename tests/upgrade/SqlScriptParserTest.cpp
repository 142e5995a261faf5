#include "upgrade/SqlScriptParser.h"

#include <gtest/gtest.h>

#include <ostream>
#include <sstream>

namespace velm {

void PrintTo(const TSqlStatement& s, std::ostream* os) {
    *os << parseKindName(s.kind) << " line " << s.line << " \"" << s.text << "\"";
}

namespace {

struct Expected {
    TParseKind kind;
    std::string text;
};

struct SplitCase {
    const char* name;
    std::vector<std::string> lines;
    std::vector<Expected> statements;
    std::string terminatorAfter = ";";
};

std::string describe(const std::vector<TSqlStatement>& got) {
    std::ostringstream os;
    for (const auto& s : got) {
        PrintTo(s, &os);
        os << "\n";
    }
    return os.str();
}

class SplitTable : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitTable, GivesTheStatements) {
    const SplitCase& c = GetParam();
    TSqlScriptParser parser;
    parser.setLines(c.lines);
    std::vector<TSqlStatement> got;
    while (parser.hasStatement()) got.push_back(parser.nextStatement());
    ASSERT_EQ(got.size(), c.statements.size()) << describe(got);
    for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(parseKindName(got[i].kind), std::string(parseKindName(c.statements[i].kind)))
            << "statement " << i << "\n"
            << describe(got);
        EXPECT_EQ(got[i].text, c.statements[i].text) << "statement " << i;
    }
    EXPECT_EQ(parser.terminator(), c.terminatorAfter);
}

const std::vector<std::string> kTrigger = {
    "SET TERM ^ ;",
    "CREATE TRIGGER CLIENTE_BI FOR CLIENTE ACTIVE BEFORE INSERT POSITION 0 AS",
    "BEGIN",
    "  NEW.NOME = UPPER(NEW.NOME);",
    "  IF (NEW.LIMITE IS NULL) THEN NEW.LIMITE = 0;",
    "END",
    "^",
    "SET TERM ; ^",
    "INSERT INTO CLIENTE (NOME) VALUES ('x');",
};

INSTANTIATE_TEST_SUITE_P(
    Rules, SplitTable,
    ::testing::Values(
        SplitCase{
            "BlankLinesAndLeadingBlanksIgnored",
            {"", "   ", "  ALTER TABLE A ADD B INTEGER;", "", "\t", "   INSERT INTO A VALUES (1);"},
            {{stmtDDL, "ALTER TABLE A ADD B INTEGER"}, {stmtDML, "INSERT INTO A VALUES (1)"}}},
        SplitCase{"OnlyBlankLinesGiveOneEmptyStatement", {"", "  ", "\t"}, {{stmtEMPTY, ""}}},
        SplitCase{"NoLinesNoStatement", {}, {}},
        SplitCase{"TerminatorInsideQuotes",
                  {"INSERT INTO T VALUES ('a;b', \"c;d\");"},
                  {{stmtDML, "INSERT INTO T VALUES ('a;b', \"c;d\")"}}},
        SplitCase{"TerminatorInsideComment",
                  {"ALTER TABLE T /* x; y", "z; */ ADD C INTEGER;"},
                  {{stmtDDL, "ALTER TABLE T /* x; y\r\nz; */ ADD C INTEGER"}}},
        SplitCase{"DoubledQuoteKeepsQuotesBalanced",
                  {"INSERT INTO T VALUES ('it''s; ok');", "DELETE FROM T;"},
                  {{stmtDML, "INSERT INTO T VALUES ('it''s; ok')"}, {stmtDML, "DELETE FROM T"}}},
        SplitCase{"SetTermWithTriggerBody",
                  kTrigger,
                  {{stmtTERM, "SET TERM ^ "},
                   {stmtDDL,
                    "CREATE TRIGGER CLIENTE_BI FOR CLIENTE ACTIVE BEFORE INSERT POSITION 0 AS\r\n"
                    "BEGIN\r\n  NEW.NOME = UPPER(NEW.NOME);\r\n"
                    "  IF (NEW.LIMITE IS NULL) THEN NEW.LIMITE = 0;\r\nEND\r\n"},
                   {stmtTERM, "SET TERM ; "},
                   {stmtDML, "INSERT INTO CLIENTE (NOME) VALUES ('x')"}}},
        SplitCase{"CommitWorkAgainstTerminator",
                  {"commit work;", "COMMIT;", "COMMIT RETAINING;"},
                  {{stmtCOMMIT, "commit work"},
                   {stmtCOMMIT, "COMMIT"},
                   {stmtCOMMITRetaining, "COMMIT RETAINING"}}},
        SplitCase{"CommitWorkWithBlankBeforeTerminatorStops",
                  {"commit work ;", "INSERT INTO A VALUES (1);"},
                  {{stmtERR, "commit work "}}},
        SplitCase{"TabJoinsTwoWords",
                  {"ALTER\tTABLE A ADD B INTEGER;", "INSERT INTO A VALUES (1);"},
                  {{stmtERR, "ALTER\tTABLE A ADD B INTEGER"}}},
        SplitCase{
            "RecreateIsUnknown",
            {"ALTER TABLE A ADD B INTEGER;", "RECREATE TABLE X (A INTEGER);", "DROP TABLE Y;"},
            {{stmtDDL, "ALTER TABLE A ADD B INTEGER"}, {stmtERR, "RECREATE TABLE X (A INTEGER)"}}},
        SplitCase{"CommentIsUnknown",
                  {"COMMENT ON TABLE X IS 'y';"},
                  {{stmtERR, "COMMENT ON TABLE X IS 'y'"}}},
        SplitCase{"LastStatementWithoutTerminator",
                  {"INSERT INTO A VALUES (1);", "INSERT INTO A", "VALUES (2)", "  "},
                  {{stmtDML, "INSERT INTO A VALUES (1)"},
                   {stmtDML, "INSERT INTO A\r\nVALUES (2)\r\n  "}}},
        SplitCase{"CaretLeftInForce",
                  {"SET TERM ^ ;", "CREATE PROCEDURE P AS BEGIN EXIT; END^"},
                  {{stmtTERM, "SET TERM ^ "}, {stmtDDL, "CREATE PROCEDURE P AS BEGIN EXIT; END"}},
                  "^"},
        SplitCase{"UnclosedCommentStops",
                  {"INSERT INTO A VALUES (1);", "/* never", "closed;", "INSERT INTO A VALUES (2);"},
                  {{stmtDML, "INSERT INTO A VALUES (1)"}, {stmtERR, ""}}},
        SplitCase{"LeadingCommentsDropped",
                  {"/* header", "   text */  /* second */", "", "ALTER TABLE A ADD B INTEGER;"},
                  {{stmtDDL, "ALTER TABLE A ADD B INTEGER"}}},
        SplitCase{"DashDashFirstWordCommentsOutItsLine",
                  {"-- a comment; 'quoted", "ALTER TABLE A ADD B INTEGER;"},
                  {{stmtDDL, "-- \r\nALTER TABLE A ADD B INTEGER"}}},
        SplitCase{
            "DashDashLaterIsText",
            {"INSERT INTO A VALUES (1) -- x; INSERT INTO A VALUES (2);"},
            {{stmtDML, "INSERT INTO A VALUES (1) -- x"}, {stmtDML, "INSERT INTO A VALUES (2)"}}},
        SplitCase{"SeveralStatementsOnOneLine",
                  {"INSERT INTO A VALUES (1);INSERT INTO A VALUES (2);  DELETE FROM A;"},
                  {{stmtDML, "INSERT INTO A VALUES (1)"},
                   {stmtDML, "INSERT INTO A VALUES (2)"},
                   {stmtDML, "DELETE FROM A"}}},
        SplitCase{
            "BodyWithoutSetTermEndsAtItsEnd",
            {"CREATE PROCEDURE P AS", "BEGIN", "  EXIT;", "END;", "INSERT INTO A VALUES (1);"},
            {{stmtDDL, "CREATE PROCEDURE P AS\r\nBEGIN\r\n  EXIT;\r\nEND"},
             {stmtDML, "INSERT INTO A VALUES (1)"}}},
        SplitCase{"CaseInsideBodyKeepsItOpen",
                  {"CREATE TRIGGER T FOR A BEFORE INSERT AS BEGIN",
                   "NEW.X = CASE WHEN NEW.Y = 1 THEN 2 ELSE 3 END;", "END;", "DELETE FROM A;"},
                  {{stmtDDL,
                    "CREATE TRIGGER T FOR A BEFORE INSERT AS BEGIN\r\n"
                    "NEW.X = CASE WHEN NEW.Y = 1 THEN 2 ELSE 3 END;\r\nEND"},
                   {stmtDML, "DELETE FROM A"}}},
        // The body ends only at the END of its outer block, wherever the
        // END of a CASE stands and however deep CASEs and blocks nest.
        SplitCase{"CaseEndThenBlankBeforeTerminator",
                  {"CREATE TRIGGER T1 FOR A BEFORE INSERT AS BEGIN NEW.N = CASE WHEN NEW.N IS "
                   "NULL THEN 0 ELSE NEW.N END ; END;",
                   "INSERT INTO A VALUES (1);"},
                  {{stmtDDL,
                    "CREATE TRIGGER T1 FOR A BEFORE INSERT AS BEGIN NEW.N = CASE WHEN NEW.N IS "
                    "NULL THEN 0 ELSE NEW.N END ; END"},
                   {stmtDML, "INSERT INTO A VALUES (1)"}}},
        SplitCase{"CaseEndThenLineBreakBeforeTerminator",
                  {"CREATE PROCEDURE P (N INTEGER) RETURNS (R INTEGER) AS", "BEGIN",
                   "  R = CASE N WHEN 1 THEN 10 ELSE 20 END", "  ;", "  SUSPEND;", "END;",
                   "DELETE FROM A;"},
                  {{stmtDDL,
                    "CREATE PROCEDURE P (N INTEGER) RETURNS (R INTEGER) AS\r\nBEGIN\r\n"
                    "  R = CASE N WHEN 1 THEN 10 ELSE 20 END\r\n  ;\r\n  SUSPEND;\r\nEND"},
                   {stmtDML, "DELETE FROM A"}}},
        SplitCase{
            "CaseEndAgainstParenthesisAndComma",
            {"CREATE TRIGGER T FOR A BEFORE INSERT AS", "BEGIN",
             "  NEW.X = ( CASE WHEN NEW.Y = 1 THEN 2 ELSE 3 END);",
             "  NEW.Z = COALESCE( CASE WHEN NEW.Y = 2 THEN 4 END, 0);", "END;", "DELETE FROM A;"},
            {{stmtDDL,
              "CREATE TRIGGER T FOR A BEFORE INSERT AS\r\nBEGIN\r\n"
              "  NEW.X = ( CASE WHEN NEW.Y = 1 THEN 2 ELSE 3 END);\r\n"
              "  NEW.Z = COALESCE( CASE WHEN NEW.Y = 2 THEN 4 END, 0);\r\nEND"},
             {stmtDML, "DELETE FROM A"}}},
        SplitCase{
            "NestedCasesAndBlocks",
            {"CREATE TRIGGER T FOR A BEFORE INSERT AS", "BEGIN", "  IF (NEW.Y IS NULL) THEN",
             "  BEGIN", "    NEW.X = CASE WHEN NEW.Z = 1 THEN CASE NEW.W WHEN 0 THEN 1 ELSE 2 END",
             "            ELSE 3 END ;", "  END", "  NEW.Y = 0;", "END;", "DELETE FROM A;"},
            {{stmtDDL,
              "CREATE TRIGGER T FOR A BEFORE INSERT AS\r\nBEGIN\r\n"
              "  IF (NEW.Y IS NULL) THEN\r\n  BEGIN\r\n"
              "    NEW.X = CASE WHEN NEW.Z = 1 THEN CASE NEW.W WHEN 0 THEN 1 ELSE 2 END"
              "\r\n            ELSE 3 END ;\r\n  END\r\n  NEW.Y = 0;\r\nEND"},
             {stmtDML, "DELETE FROM A"}}},
        // Keywords are whole names: a column called END_DATA or BEGINS is
        // none, and neither is anything in quotes or comments.
        SplitCase{"KeywordsOnlyAsWholeNamesInCode",
                  {"CREATE PROCEDURE P AS", "DECLARE VARIABLE END_DATA INTEGER;", "BEGIN",
                   "  END_DATA = 1; /* case */ INSERT INTO A VALUES ('case', \"begin\");",
                   "  -- don't: case", "END;", "DELETE FROM A;"},
                  {{stmtDDL,
                    "CREATE PROCEDURE P AS\r\nDECLARE VARIABLE END_DATA INTEGER;\r\nBEGIN\r\n"
                    "  END_DATA = 1; /* case */ INSERT INTO A VALUES ('case', \"begin\");\r\n"
                    "  -- don't: case\r\nEND"},
                   {stmtDML, "DELETE FROM A"}}},
        SplitCase{"AlterTriggerActiveIsBodyOfItsOwn",
                  {"ALTER TRIGGER T INACTIVE;", "ALTER TRIGGER U ACTIVE ;", "DELETE FROM A;"},
                  {{stmtDDL, "ALTER TRIGGER T INACTIVE"},
                   {stmtDDL, "ALTER TRIGGER U ACTIVE "},
                   {stmtDML, "DELETE FROM A"}}},
        SplitCase{"EmptyStatementsBetweenTerminators",
                  {";;INSERT INTO A VALUES (1);"},
                  {{stmtEMPTY, ""}, {stmtEMPTY, ""}, {stmtDML, "INSERT INTO A VALUES (1)"}}},
        SplitCase{"UnclosedQuoteRunsToTheEnd",
                  {"INSERT INTO A VALUES ('x);", "DELETE FROM A;"},
                  {{stmtDML, "INSERT INTO A VALUES ('x);\r\nDELETE FROM A;"}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SqlScriptParser, KeepsWordsAsWrittenAndUpperCasesTheLastOne) {
    const auto s =
        splitScript({"commit work;", "SET AUTODDL on;", "SET AUTODDL on ;", "set term ^;"});
    ASSERT_EQ(s.size(), 4u);
    EXPECT_EQ(s[0].words, (std::vector<std::string>{"commit", "WORK"}));
    EXPECT_EQ(s[1].words, (std::vector<std::string>{"SET", "AUTODDL", "ON"}));
    EXPECT_EQ(s[1].kind, stmtSET);
    EXPECT_EQ(s[2].words, (std::vector<std::string>{"SET", "AUTODDL", "on"}));
    EXPECT_EQ(s[3].kind, stmtTERM);
    EXPECT_EQ(s[3].words[2], "^");
}

TEST(SqlScriptParser, KnowsWhereStatementsStart) {
    const auto s = splitScript({"", "/* c", "*/", "  ALTER TABLE A",
                                "  ADD B INTEGER;  DELETE FROM A;", "", "", "RECREATE X;"});
    ASSERT_EQ(s.size(), 3u);
    EXPECT_EQ(s[0].line, 4);
    EXPECT_EQ(s[1].line, 5);
    EXPECT_EQ(s[2].line, 8);
    EXPECT_EQ(s[2].error, "Invalid statement");

    const auto c = splitScript({"DELETE FROM A;", "", "  /* open", "still open"});
    ASSERT_EQ(c.size(), 2u);
    EXPECT_EQ(c[1].kind, stmtERR);
    EXPECT_EQ(c[1].error, "Invalid Comment");
    EXPECT_EQ(c[1].line, 3);
}

TEST(SqlScriptParser, LeadingDashDashCommentsAreNotTheStatementsLine) {
    const auto s =
        splitScript({"-- cabe\xE7"
                     "alho",
                     "-- outro", "RECREATE X;"});
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(s[0].kind, stmtERR);
    EXPECT_EQ(s[0].line, 3);

    const auto t = splitScript({"DELETE FROM A;", "  -- nota; ok", "  DELETE FROM B;"});
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t[1].line, 3);
}

// A NUL would cut the statement where the client reads it: the statement is
// a parse error at the NUL's line and nothing after it is split.
TEST(SqlScriptParser, NulInAStatementStopsAtItsLine) {
    using namespace std::string_literals;
    const auto s =
        splitScript({"DELETE FROM A;", "DELETE FROM T"s + '\0' + " WHERE ID=1;", "DELETE FROM B;"});
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(s[0].kind, stmtDML);
    EXPECT_EQ(s[1].kind, stmtERR);
    EXPECT_EQ(s[1].error, kNulInStatement);
    EXPECT_EQ(s[1].line, 2);

    const auto multiLine = splitScript({"-- x", "UPDATE T", "SET N = 'a"s + '\0' + "';"});
    ASSERT_EQ(multiLine.size(), 1u);
    EXPECT_EQ(multiLine[0].error, kNulInStatement);
    EXPECT_EQ(multiLine[0].line, 3);

    // Between statements, and in what is never sent, a NUL harms nothing.
    const auto harmless = splitScript({"-- x"s + '\0', "DELETE FROM A;", std::string(1, '\0'),
                                       "/* "s + '\0' + " */ DELETE FROM B;"});
    ASSERT_EQ(harmless.size(), 2u) << describe(harmless);
    EXPECT_EQ(harmless[0].text, "-- \r\nDELETE FROM A");
    EXPECT_EQ(harmless[1].text, "DELETE FROM B");
}

TEST(SqlScriptParser, SetLinesStartsOverButKeepsTheTerminator) {
    TSqlScriptParser parser;
    parser.setLines({"SET TERM ^ ;", "RECREATE X^", "DELETE FROM A^"});
    while (parser.hasStatement()) parser.nextStatement();
    EXPECT_TRUE(parser.stopped());
    parser.setLines({"DELETE FROM A^"});
    ASSERT_TRUE(parser.hasStatement());
    const auto s = parser.nextStatement();
    EXPECT_EQ(s.kind, stmtDML);
    EXPECT_EQ(s.text, "DELETE FROM A");
    EXPECT_FALSE(parser.hasStatement());
}

struct ClassifyCase {
    std::vector<std::string> words;
    TParseKind kind;
};

class ClassifyTable : public ::testing::TestWithParam<ClassifyCase> {};

TEST_P(ClassifyTable, FirstMatchWins) {
    EXPECT_EQ(parseKindName(classifyStatement(GetParam().words)),
              std::string(parseKindName(GetParam().kind)));
}

INSTANTIATE_TEST_SUITE_P(
    Table, ClassifyTable,
    ::testing::Values(
        ClassifyCase{{}, stmtEMPTY}, ClassifyCase{{"show", "tables"}, stmtShow},
        ClassifyCase{{"COMMIT", "RETAINING"}, stmtCOMMITRetaining},
        ClassifyCase{{"commit", "retaining"}, stmtERR},
        ClassifyCase{{"COMMIT", "WORK"}, stmtCOMMIT}, ClassifyCase{{"COMMIT"}, stmtCOMMIT},
        ClassifyCase{{"COMMIT", "WORK", "X"}, stmtCOMMIT}, ClassifyCase{{"ROLLBACK"}, stmtROLLBACK},
        ClassifyCase{{"ROLLBACK", "RETAINING"}, stmtROLLBACKRetaining},
        ClassifyCase{{"ROLLBACK", "TO", "SP1"}, stmtRollbackSavePoint},
        ClassifyCase{{"Reconnect"}, stmtReconnect},
        ClassifyCase{{"SAVEPOINT", "SP1"}, stmtStartSavepoint}, ClassifyCase{{"UPDATE"}, stmtERR},
        ClassifyCase{{"BATCH", "START"}, stmtBatchStart},
        ClassifyCase{{"BATCH", "EXECUTE"}, stmtBatchExecute}, ClassifyCase{{"BATCH", "X"}, stmtERR},
        ClassifyCase{{"RELEASE", "SAVEPOINT", "SP1"}, stmtReleaseSavePoint},
        ClassifyCase{{"insert", "into"}, stmtDML}, ClassifyCase{{"EXECUTE", "PROCEDURE"}, stmtDML},
        ClassifyCase{{"WITH", "X"}, stmtDML}, ClassifyCase{{"TRUNCATE", "X"}, stmtDML},
        ClassifyCase{{"INPUT", "'f.sql'"}, stmtINPUT},
        ClassifyCase{{"CONNECT", "'x'"}, stmtCONNECT},
        ClassifyCase{{"CREATE", "DATABASE", "'x'"}, stmtCREATE},
        ClassifyCase{{"CREATE", "SCHEMA", "'x'"}, stmtCREATE},
        ClassifyCase{{"DROP", "DATABASE"}, stmtDrop}, ClassifyCase{{"DROP", "TABLE", "X"}, stmtDDL},
        ClassifyCase{{"DECLARE", "EXTERNAL"}, stmtDDL}, ClassifyCase{{"GRANT", "ALL"}, stmtDDL},
        ClassifyCase{{"REVOKE", "ALL"}, stmtDDL}, ClassifyCase{{"SET", "GENERATOR", "G"}, stmtDDL},
        ClassifyCase{{"SET", "STATISTICS", "INDEX", "I"}, stmtDDL},
        ClassifyCase{{"SET", "TERM", "^"}, stmtTERM},
        ClassifyCase{{"SET", "TERM", "^", "X"}, stmtERR},
        ClassifyCase{{"SET", "SQL", "DIALECT", "3"}, stmtSET},
        ClassifyCase{{"SET", "SQL", "DIALECT"}, stmtERR},
        ClassifyCase{{"SET", "AUTODDL", "OFF"}, stmtSET},
        ClassifyCase{{"SET", "NAMES", "WIN1252"}, stmtSET},
        ClassifyCase{{"SET", "STATISTICS", "ON"}, stmtSET},
        ClassifyCase{{"SET", "SAVEPOINTS", "OFF", "X"}, stmtERR},
        ClassifyCase{{"SET", "PASSWORD", "x"}, stmtServerSET},
        ClassifyCase{{"SET", "SUBSCRIPTION", "x"}, stmtServerSET},
        ClassifyCase{{"SET", "TRANSACTION", "READ"}, stmtSetTransaction},
        ClassifyCase{{"SET", "X", "Y"}, stmtERR}, ClassifyCase{{"RECREATE", "TABLE"}, stmtERR}));

}  // namespace
}  // namespace velm
