#include "text/StringMap.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

StringMap MapOf(const Entries& added)
{
    StringMap map;
    for (const auto& [key, value] : added) {
        map.Set(key, value);
    }
    return map;
}

}

TEST(StringMapTest, HashReadsBytesAsSignedWithWrapAround)
{
    const std::vector<std::pair<std::string, unsigned>> cases = {
        {"", 0u},
        {"ID", 2477u},
        {"id", 3565u},
        {"idref", 128242986u},
        {"version", 1866518246u},
        {"DS_TITLE_NAME", 71023256u},
        {"\x83\x7B", 4294963294u},  // ボ: 0x83 counts as -125
    };
    for (const auto& [key, hash] : cases) {
        EXPECT_EQ(hash, StringMap::Hash(key)) << key;
    }
}

TEST(StringMapTest, YieldsEntriesInBucketOrderWhateverTheOrderOfAdding)
{
    // Buckets: idref 1, ID 12, version 16.
    const Entries expected = {{"idref", "2"}, {"ID", "1"}, {"version", "3"}};
    EXPECT_EQ(expected, MapOf({{"ID", "1"}, {"idref", "2"}, {"version", "3"}}).Entries());
    EXPECT_EQ(expected, MapOf({{"version", "3"}, {"ID", "1"}, {"idref", "2"}}).Entries());

    // ボ falls in bucket 11 (9 if its bytes were read unsigned), after N in bucket 10.
    EXPECT_EQ((Entries{{"N", "n"}, {"\x83\x7B", "bo"}}),
              MapOf({{"\x83\x7B", "bo"}, {"N", "n"}}).Entries());
}

TEST(StringMapTest, KeysOfOneBucketComeLaterAddedFirstAndReplacingKeepsThePlace)
{
    // ID, id and a share bucket 12.
    EXPECT_EQ((Entries{{"id", "2"}, {"ID", "1"}}), MapOf({{"ID", "1"}, {"id", "2"}}).Entries());
    EXPECT_EQ((Entries{{"ID", "1"}, {"id", "2"}}), MapOf({{"id", "2"}, {"ID", "1"}}).Entries());

    StringMap map = MapOf({{"ID", "1"}, {"id", "2"}, {"a", "3"}, {"version", "4"}});
    map.Set("ID", "new");
    map.Set("id", "newer");
    EXPECT_EQ((Entries{{"a", "3"}, {"id", "newer"}, {"ID", "new"}, {"version", "4"}}),
              map.Entries());
    EXPECT_EQ(4u, map.Size());
}

// Lookups go through an index that grows with the map; every key stays found, keys
// that look alike are told apart, and the version tells holders of values when to look
// again.
TEST(StringMapTest, ManyKeysStayFoundAsTheIndexGrows)
{
    StringMap map;
    std::vector<std::string> keys;
    for (int i = 0; i < 1500; ++i) {
        keys.push_back((i % 3 == 0 ? "CV" : i % 3 == 1 ? "RD_SB" : "\x83\x7B") +
                       std::to_string(i));
    }
    std::uint64_t version = map.Version();
    for (const std::string& key : keys) {
        map.Set(key, "v" + key);
        EXPECT_NE(version, map.Version());
        version = map.Version();
    }
    for (const std::string& key : keys) {
        const std::string* value = map.Find(key);
        ASSERT_NE(nullptr, value) << key;
        EXPECT_EQ("v" + key, *value);
    }
    for (const std::string absent : {"CV", "CV1500", "RD_SB01", "", "cv3", "CV3 "}) {
        EXPECT_EQ(nullptr, map.Find(absent)) << absent;
    }
    map.Set("CV3", "again");
    EXPECT_EQ("again", *map.Find("CV3"));
    EXPECT_EQ(keys.size(), map.Size());
    map.Clear();
    EXPECT_NE(version, map.Version());
    EXPECT_EQ(nullptr, map.Find("CV3"));
    map.Set("CV3", "new");
    EXPECT_EQ("new", *map.Find("CV3"));
}
