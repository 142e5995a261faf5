#include <gtest/gtest.h>

#include "sync/ListingEntries.h"

namespace velm {
namespace {

TEST(ListingEntriesTest, NomeDaLinhaIsTheLastBlankSeparatedWord) {
    struct Row {
        std::string line;
        std::string name;
        const char* reason;
    };
    const Row rows[] = {
        {"-rw-r--r--   1 root     root      1048576 Dec 10 06:25 update.bin", "update.bin",
         "a long-form line"},
        {"-rw-r--r--   1 root     root      1048576 Dec 10 06:25 update.bin   \t", "update.bin",
         "trailing blanks and tabs are trimmed"},
        {"leiame.txt", "leiame.txt", "a single word"},
        {"-rw-r--r-- 1 0 0 5 Jan 05  2023 meu arquivo.txt", "arquivo.txt",
         "a name with blanks yields its last part"},
        {"-rw-r--r-- 1 0 0 5 Jan 05  2023\tcom\ttab", "2023\tcom\ttab", "a tab does not separate"},
        {"", "", "an empty line"},
        {"   ", "", "blanks only"},
        {"x " + std::string(1200, 'a'), std::string(999, 'a'),
         "the blank counts among the 1000 characters"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.reason);
        EXPECT_EQ(NomeDaLinha(row.line), row.name);
    }
}

TEST(ListingEntriesTest, LinesPairWithTheItemsMadeFromThem) {
    TFtpListItems items;
    for (const char* data : {"-rw 1 a", "-rw 1 b", "-rw 1 a"}) {
        TFtpListItem item;
        item.Data = data;
        items.Add(std::move(item));
    }
    struct Row {
        std::vector<std::string> lines;
        std::vector<int> pairs;
        const char* reason;
    };
    const Row rows[] = {
        {{"-rw 1 a", "-rw 1 b", "-rw 1 a"}, {0, 1, 2}, "one line per item"},
        {{"total 3", "-rw 1 a", "", "-rw 1 b", "-rw 1 a"},
         {-1, 0, -1, 1, 2},
         "a total line and a blank line pair with nothing"},
        {{"banner:", "-rw 1 a", "-rw 1 b", "-rw 1 a", "trailer"},
         {-1, 0, 1, 2, -1},
         "banners before and after"},
        {{"-rw 1 a", "-rw 1 a", "-rw 1 a", "-rw 1 b"},
         {0, 2, -1, -1},
         "a third copy finds no item left; b lies behind the taken ones"},
        {{"-rw 1 b", "-rw 1 a"},
         {1, 2},
         "a line skips to its item; the items passed stay unpaired"},
        {{}, {}, "an empty listing"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.reason);
        EXPECT_EQ(pairListingLines(row.lines, items), row.pairs);
    }
}

// Only these lines may stand in a listing without an entry of their own.
TEST(ListingEntriesTest, LinesMeantToMakeNoItem) {
    struct Row {
        std::string line;
        bool noItem;
        const char* reason;
    };
    const Row rows[] = {
        {"", true, "an empty line"},
        {"total 12", true, "a total line"},
        {"quorixsenha/sub:", true, "a directory banner"},
        {"-rw-r--r--   1 o g  5 Jan 05  2023 a.exe", false, "an entry"},
        {"drwxr-xr-x:", false, "a permission string ending in a colon is no banner"},
        {"this line names no file at all", false, "anything else"},
        {"   ", false, "blanks are not an empty line"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.reason);
        EXPECT_EQ(makesNoItem(row.line), row.noItem);
    }
}

// Near the listing bound, with more banner and repeated lines than entries:
// every entry line finds its own item and nothing else pairs.
TEST(ListingEntriesTest, LongListingFullOfBannersPairsEveryEntryLine) {
    TFtpListItems items;
    std::vector<std::string> lines;
    std::vector<int> expected;
    const auto line = [&](std::string text, int item) {
        lines.push_back(std::move(text));
        expected.push_back(item);
    };
    for (int k = 0; k < 22200; ++k) {
        // Every tenth entry shares its text with the others of its kind, so
        // equal lines must pair one by one, in order.
        const std::string entry =
            k % 10 == 0 ? "-rw 1 igual.txt" : "-rw 1 arquivo" + std::to_string(k) + ".txt";
        line("/pasta" + std::to_string(k) + ":", -1);
        line("", -1);
        line(entry, items.Count());
        TFtpListItem item;
        item.Data = entry;
        items.Add(std::move(item));
        if (k % 2 == 1) line(entry, -1);  // the same line again: its item is taken
        line("total " + std::to_string(k), -1);
    }
    ASSERT_EQ(lines.size(), 99900u);
    EXPECT_EQ(pairListingLines(lines, items), expected);
}

}  // namespace
}  // namespace velm
