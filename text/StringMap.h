#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// String to string with exact byte keys. Entries are yielded in the order of a hash
// table of 17 buckets: h = h * 33 + (byte read as signed), 32-bit wrap-around, bucket
// h mod 17 ascending, the most recently added key first within a bucket. Attribute
// order in the XML output is this order, so it must not change. Replacing the value
// of a present key keeps the key's place. Const lookups change nothing, so a map may
// be read from several threads while no one changes it; versions come from one atomic
// sequence shared by all maps.
class StringMap
{
public:
    static constexpr std::size_t bucketCount = 17;

    static unsigned Hash(std::string_view key);

    // Stores `value` under `key`, replacing an earlier value.
    void Set(std::string_view key, std::string_view value);
    // The value of `key`, or nullptr when absent.
    const std::string* Find(std::string_view key) const;
    bool Contains(std::string_view key) const { return Find(key) != nullptr; }
    // The value of `key`, or `fallback` when absent.
    const std::string& GetOr(std::string_view key, const std::string& fallback) const;
    std::size_t Size() const { return count; }
    // Changes with every Set and Clear, to a value no other map has had unless it is a
    // copy of this one: a view of a value taken at one version is good as long as the
    // version stays.
    std::uint64_t Version() const { return version; }
    bool Empty() const { return count == 0; }
    void Clear();

    // Calls visit(key, value) for every entry in the hash-table order.
    template <typename Visit>
    void ForEach(Visit&& visit) const
    {
        for (const Bucket& bucket : buckets) {
            for (auto entry = bucket.rbegin(); entry != bucket.rend(); ++entry) {
                visit(entry->key, entry->value);
            }
        }
    }

    // Every entry in the hash-table order.
    std::vector<std::pair<std::string, std::string>> Entries() const;

private:
    struct Entry
    {
        unsigned hash;  // kept so that most mismatches cost no comparison of bytes
        std::string key;
        std::string value;
    };
    // Oldest first inside a bucket; ForEach walks a bucket backwards.
    using Bucket = std::vector<Entry>;
    // Lookups go through an open-addressing index instead of the 17 ordering buckets,
    // which hold many keys each in a large settings file. A slot names an entry by
    // bucket and place; `place` 0 marks an empty slot.
    struct Slot
    {
        std::uint64_t hash = 0;
        std::uint32_t bucket = 0;
        std::uint32_t place = 0;  // position in the bucket + 1
    };
    static std::uint64_t IndexHash(std::string_view key);
    void AddToIndex(std::uint64_t hash, std::uint32_t bucket, std::uint32_t place);
    // A filter of the keys present by length, first and last byte: most lookups of
    // values that name no key (identifiers, numbers) end here without hashing.
    static std::size_t FilterBit(std::string_view key)
    {
        const std::size_t size = key.size();
        const std::size_t first = size > 0 ? static_cast<unsigned char>(key[0]) : 0;
        const std::size_t last = size > 0 ? static_cast<unsigned char>(key[size - 1]) : 0;
        return (size * 31 + first * 7 + last) & 255;
    }
    bool MayContain(std::string_view key) const
    {
        const std::size_t bit = FilterBit(key);
        return ((keyFilter[bit / 64] >> (bit % 64)) & 1) != 0;
    }

    std::array<Bucket, bucketCount> buckets;
    std::vector<Slot> index;  // empty, or a power of two at least twice `count`
    std::size_t count = 0;
    std::array<std::uint64_t, 4> keyFilter{};
    std::uint64_t version = 0;
};
