#include <gtest/gtest.h>

#include "ftp/FtpErrors.h"
#include "ftp/FtpListParser.h"
#include "platform/DateTime.h"

namespace velm {
namespace {

// The listings below are read on 15 June 2024 at 10:00 unless a row says otherwise.
DateTime at(int y, int m, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
    return encodeDateTime({y, m, d, h, mi, s, ms});
}
const DateTime kNow = at(2024, 6, 15, 10, 0);

struct Row {
    const char* line;
    const char* name;
    TDirItemType type;
    std::int64_t size;
    DateParts date;
};

void expectItem(const Row& row, const TFtpListItem& item) {
    SCOPED_TRACE(row.line);
    EXPECT_EQ(item.Data, row.line);
    EXPECT_EQ(item.FileName, row.name);
    EXPECT_EQ(item.ItemType, row.type);
    EXPECT_EQ(item.Size, row.size);
    EXPECT_EQ(decodeDateTime(item.ModifiedDate), row.date);
}

// Each row alone, then all rows as one listing (the first line decides the format).
void runTable(const std::vector<Row>& rows, const char* format, DateTime now = kNow) {
    std::vector<std::string> all;
    for (const Row& row : rows) {
        TFtpListItems items;
        EXPECT_EQ(parseFtpListing({row.line}, true, now, items), format) << row.line;
        ASSERT_EQ(items.Count(), 1) << row.line;
        expectItem(row, items[0]);
        all.push_back(row.line);
    }
    TFtpListItems items;
    EXPECT_EQ(parseFtpListing(all, true, now, items), format);
    ASSERT_EQ(items.Count(), static_cast<int>(rows.size()));
    for (std::size_t i = 0; i < rows.size(); ++i) expectItem(rows[i], items[static_cast<int>(i)]);
}

TEST(FtpListParser, UnixTable) {
    const std::vector<Row> rows = {
        // The servers' own styles: the time of recent files, the year of old ones.
        {"-rw-r--r--   1 owner    group        1024 Mar  5 14:07 a.exe", "a.exe", ditFile, 1024,
         {2024, 3, 5, 14, 7, 0, 999}},
        {"-rw-r--r--   1 root     root      1048576 Dec 10 06:25 update.bin", "update.bin",
         ditFile, 1048576, {2023, 12, 10, 6, 25, 0, 999}},  // after tomorrow: last year
        {"-rw-r--r--    1 0        0             100 Jan 05  2023 name", "name", ditFile, 100,
         {2023, 1, 5, 0, 0, 0, 999}},
        {"drwxr-xr-x   2 user     group        4096 Jan 10  2020 dir", "dir", ditDirectory, 4096,
         {2020, 1, 10, 0, 0, 0, 999}},
        // Year rules: tomorrow is this year; two to seven days ahead end up in this year too;
        // further ahead is last year.
        {"-rw-r--r--   1 u        g              10 Jun 16 09:00 tomorrow", "tomorrow", ditFile,
         10, {2024, 6, 16, 9, 0, 0, 999}},
        {"-rw-r--r--   1 u        g              10 Jun 17 09:00 in2days", "in2days", ditFile, 10,
         {2024, 6, 17, 9, 0, 0, 999}},
        {"-rw-r--r--   1 u        g              10 Jun 25 09:00 in10days", "in10days", ditFile,
         10, {2023, 6, 25, 9, 0, 0, 999}},
        // An old year the line does not spell the expected way moves one year on.
        {"drwxr-xr-x   2 user     group        4096 JAN 10  2020 upper", "upper", ditDirectory,
         4096, {2021, 1, 10, 0, 0, 0, 999}},
        {"-rw-r--r--   1 user     group          10 Mar  5  2020 blankday", "blankday", ditFile,
         10, {2021, 3, 5, 0, 0, 0, 999}},
        {"crw-rw-rw-   1 root     root       1,   3 Jan  1  2020 null", "null", ditCharDev, 0,
         {2020, 1, 1, 0, 0, 0, 999}},  // "1  2020" is one of the spellings
        // Links, name suffixes, names with blanks.
        {"lrwxrwxrwx   1 user     group           7 Jun  1 12:00 cur -> target/", "cur",
         ditSymbolicLinkDir, 7, {2024, 6, 1, 12, 0, 0, 999}},
        {"lrwxrwxrwx   1 user     group           8 Jun  1 12:00 link -> file.txt", "link",
         ditSymbolicLink, 8, {2024, 6, 1, 12, 0, 0, 999}},
        {"drwxr-xr-x   2 user     group        4096 Mar  5 14:07 bin/", "bin", ditDirectory, 4096,
         {2024, 3, 5, 14, 7, 0, 999}},
        {"-rwxr-xr-x   1 user     group          10 Mar  5 14:07 run*", "run", ditFile, 10,
         {2024, 3, 5, 14, 7, 0, 999}},
        {"-rw-r--r--   1 user     group          10 Mar  5 14:07 my file.txt", "my file.txt",
         ditFile, 10, {2024, 3, 5, 14, 7, 0, 999}},
        {"brw-rw----   1 root     disk       8,0 Mar  5 14:07 sda", "sda", ditBlockDev, 0,
         {2024, 3, 5, 14, 7, 0, 999}},
        {"prw-r--r--   1 user     group           0 Mar  5 14:07 fifo", "fifo", ditFIFO, 0,
         {2024, 3, 5, 14, 7, 0, 999}},
        {"srwxrwxrwx   1 user     group           0 Mar  5 14:07 sock", "sock", ditSocket, 0,
         {2024, 3, 5, 14, 7, 0, 999}},
        // Missing columns, leading inode and block numbers.
        {"-rw-r--r--   1 1024 Mar  5 14:07 nogroup.txt", "nogroup.txt", ditFile, 1024,
         {2024, 3, 5, 14, 7, 0, 999}},
        {"-rw-r--r--   1 ftp         2048 Mar  5 14:07 owneronly.txt", "owneronly.txt", ditFile,
         2048, {2024, 3, 5, 14, 7, 0, 999}},
        {"123456    8 -rw-r--r--   1 user group 512 Mar  5 14:07 inode.txt", "inode.txt", ditFile,
         512, {2024, 3, 5, 14, 7, 0, 999}},
        // Other date spellings.
        {"-rw-r--r--   1 user     group          10 5 Mar 14:07 dayfirst", "dayfirst", ditFile, 10,
         {2024, 3, 5, 14, 7, 0, 999}},
        {"-rw-r--r--   1 user     group          10 3 5 14:07 numeric", "numeric", ditFile, 10,
         {2024, 3, 5, 14, 7, 0, 999}},
        {"-rw-r--r--   1 user     group          10 m\xC4rz 5 14:07 german", "german", ditFile,
         10, {2024, 3, 5, 14, 7, 0, 999}},
        {"-rw-r--r--   1 user     group          10 2020-03-05 old.iso", "old.iso", ditFile, 10,
         {2021, 3, 5, 0, 0, 0, 999}},
        // With a time of day the year is always derived, even where the line spelled one.
        {"-rw-r--r--   1 user     group          10 2020-03-05 14:07 iso", "iso", ditFile, 10,
         {2024, 3, 5, 14, 7, 0, 999}},
        {"-rw-r--r--   1 user     group          10 Mar  5 14:07:33 2020 full", "full", ditFile,
         10, {2024, 3, 5, 14, 7, 33, 999}},
        {"-rw-r--r--   1 user     group          10 Feb 29 10:00 leap", "leap", ditFile, 10,
         {2024, 2, 29, 10, 0, 0, 999}},
    };
    runTable(rows, "Unix");
}

TEST(FtpListParser, TwentyNinthOfFebruaryOutsideLeapYearsIsTheTwentyEighth) {
    runTable({{"-rw-r--r--   1 user     group          10 Feb 29 10:00 leap", "leap", ditFile,
               10, {2025, 2, 28, 10, 0, 0, 999}}},
             "Unix", at(2025, 6, 15, 10, 0));
}

TEST(FtpListParser, WindowsNtTable) {
    const std::vector<Row> rows = {
        {"03-05-24  02:07PM                1,024 a.exe", "a.exe", ditFile, 1024,
         {2024, 3, 5, 14, 7, 0, 0}},
        {"03-05-98  12:30AM       <DIR>          tools", "tools", ditDirectory, 0,
         {1998, 3, 5, 0, 30, 0, 0}},
        {"03-05-24  12:15PM                   10 noon.txt", "noon.txt", ditFile, 10,
         {2024, 3, 5, 12, 15, 0, 0}},
        {"2024-03-05  14:07                  512 iso.txt", "iso.txt", ditFile, 512,
         {2024, 3, 5, 14, 7, 0, 0}},
        {"03-05-24  02:07 PM                 100 apart.txt", "apart.txt", ditFile, 100,
         {2024, 3, 5, 14, 7, 0, 0}},
        {"03-05-24  12:30 PM                 100 noonapart.txt", "noonapart.txt", ditFile, 100,
         {2024, 3, 5, 12, 30, 0, 0}},
        {"03-05-24  02:07PM                  100 two  blanks", "two  blanks", ditFile, 100,
         {2024, 3, 5, 14, 7, 0, 0}},
        // A size that ends at character 36, the name right behind it from character 38:
        // only the first 17 characters of the size column count.
        {"03-05-24  02:07PM               1024 name.txt", "name.txt", ditFile, 1024,
         {2024, 3, 5, 14, 7, 0, 0}},
        // A date that cannot be encoded gives 0, not an error.
        {"02-30-24  02:07PM                  100 bad.txt", "bad.txt", ditFile, 100,
         {1899, 12, 30, 0, 0, 0, 0}},
    };
    runTable(rows, "Windows NT");
}

TEST(FtpListParser, ItemFieldsOfUnixAndDosEntries) {
    TFtpListItems items;
    parseFtpListing({"drwxr-x--x   3 alice    staff        4096 Mar  5 14:07 DOCS"}, true, kNow,
                    items);
    ASSERT_EQ(items.Count(), 1);
    const TFtpListItem& unix = items[0];
    EXPECT_EQ(unix.PermissionDisplay, "drwxr-x--x");
    EXPECT_EQ(unix.OwnerPermissions, "rwx");
    EXPECT_EQ(unix.GroupPermissions, "r-x");
    EXPECT_EQ(unix.OtherPermissions, "--x");
    EXPECT_EQ(unix.LinkCount, 3);
    EXPECT_EQ(unix.OwnerName, "alice");
    EXPECT_EQ(unix.GroupName, "staff");
    EXPECT_EQ(unix.LocalFileName, "docs");  // no lower-case letter: lower-cased
    EXPECT_TRUE(unix.SizeAvail);

    items.Clear();
    parseFtpListing({"03-05-98  12:30AM       <DIR>          Tools"}, true, kNow, items);
    ASSERT_EQ(items.Count(), 1);
    EXPECT_FALSE(items[0].SizeAvail);
    EXPECT_EQ(items[0].LocalFileName, "Tools");
}

TEST(FtpListParser, SkippedLinesAndBanners) {
    struct Case {
        std::vector<std::string> lines;
        const char* format;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        // A total line and one file: two raw lines, one item.
        {{"total 8", "-rw-r--r--   1 owner    group        1024 Mar  5 14:07 a.exe"},
         "Unix",
         {"a.exe"}},
        {{"total 0"}, "", {}},
        {{}, "", {}},
        {{"", "Gesamt 4", "-rw-r--r-- 1 u g 1 Mar  5 14:07 b", "/bin/ls: cannot access x"},
         "Unix",
         {"b"}},
        // Recursive listings prefix the names with their folder.
        {{".:", "-rw-r--r-- 1 u g 1 Mar  5 14:07 top", "", "./sub:", "total 4",
          "-rw-r--r-- 1 u g 1 Mar  5 14:07 inner"},
         "Unix",
         {"./top", "./sub/inner"}},
        {{"sub:", "03-05-24  02:07PM                  100 inner.txt"},
         "Windows NT",
         {"sub\\inner.txt"}},
        // A DOS listing is not taken for a Unix one.
        {{"03-05-24  02:07PM                  100 a.txt",
          "03-05-98  12:30AM       <DIR>          tools"},
         "Windows NT",
         {"a.txt", "tools"}},
        // Listings of sister formats are recognised by neither.
        {{"drwxr-xr-x 1 owner group DK 512 Mar 5 14:07 unitree"}, "", {}},
        {{"-rw-r--r-- 1 owner group 1024 Mar 5 2024 02:07 PM name"}, "", {}},
        // More than nine words, the seventh a month and the ninth without ":" (a
        // column more than the Unix style has).
        {{"-rw-r--r-- 1 owner group 512 1024 Mar 5 2024 name x"}, "", {}},
        {{"03-05-24 2:07 F x" + std::string(19, ' ') + "12 name"}, "", {}},
        {{"hello world", "this is no listing"}, "", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines.empty() ? std::string("(empty)") : c.lines.front());
        TFtpListItems items;
        EXPECT_EQ(parseFtpListing(c.lines, true, kNow, items), c.format);
        std::vector<std::string> names;
        for (const TFtpListItem& item : items) names.push_back(item.FileName);
        EXPECT_EQ(names, c.names);
    }
}

TEST(FtpListParser, NameListsGiveOneItemPerLine) {
    TFtpListItems items;
    EXPECT_EQ(parseFtpListing({"a.exe", "", "README"}, false, kNow, items), "");
    ASSERT_EQ(items.Count(), 2);
    EXPECT_EQ(items[0].FileName, "a.exe");
    EXPECT_EQ(items[1].FileName, "README");
    EXPECT_EQ(items[1].LocalFileName, "readme");
}

TEST(FtpListParser, InvalidUnixDateRaisesAndKeepsTheItemsBefore) {
    for (const char* bad : {"-rw-r--r-- 1 u g 10 Mar 32 14:07 bad", "-rw-r--r-- 1 u g 10 Feb 30  2020 bad",
                            "-rw-r--r-- 1 u g 10 Mar  5 25:00 bad", "-rw-r--r-- 1 u g 10 Xyz  5 14:07 bad",
                            "-rw-r--r-- 1 u g 10 Mar"}) {
        SCOPED_TRACE(bad);
        TFtpListItems items;
        EXPECT_THROW(parseFtpListing({"-rw-r--r-- 1 u g 10 Mar  5 14:07 good", bad}, true, kNow,
                                     items),
                     EFtpListingError);
        ASSERT_EQ(items.Count(), 1);
        EXPECT_EQ(items[0].FileName, "good");
    }
}

TEST(FtpListParser, IndexOutsideTheItemsRaises) {
    TFtpListItems items;
    parseFtpListing({"-rw-r--r-- 1 u g 10 Mar  5 14:07 only"}, true, kNow, items);
    EXPECT_NO_THROW(items.Items(0));
    EXPECT_THROW(items.Items(1), FtpError);
    EXPECT_THROW(items.Items(-1), FtpError);
}

}  // namespace
}  // namespace velm
