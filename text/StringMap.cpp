#include "text/StringMap.h"

#include <atomic>
#include <cstring>

namespace {

// Versions are drawn from one sequence for all maps, so that two maps share a version
// only when one is a copy of the other, contents and all.
std::uint64_t NextVersion()
{
    static std::atomic<std::uint64_t> last{0};
    return ++last;
}

std::uint64_t LoadWord(const char* bytes)
{
    std::uint64_t word;
    std::memcpy(&word, bytes, sizeof word);
    return word;
}

std::uint32_t LoadHalf(const char* bytes)
{
    std::uint32_t half;
    std::memcpy(&half, bytes, sizeof half);
    return half;
}

// Equal bytes, for the short keys of a settings file without a call of memcmp.
bool SameBytes(std::string_view left, std::string_view right)
{
    const std::size_t size = left.size();
    if (size != right.size()) {
        return false;
    }
    const char* a = left.data();
    const char* b = right.data();
    if (size >= 8) {
        for (std::size_t i = 0; i + 8 < size; i += 8) {
            if (LoadWord(a + i) != LoadWord(b + i)) {
                return false;
            }
        }
        return LoadWord(a + size - 8) == LoadWord(b + size - 8);
    }
    if (size >= 4) {
        return LoadHalf(a) == LoadHalf(b) && LoadHalf(a + size - 4) == LoadHalf(b + size - 4);
    }
    for (std::size_t i = 0; i < size; ++i) {
        if (a[i] != b[i]) {
            return false;
        }
    }
    return true;
}

}

std::uint64_t StringMap::IndexHash(std::string_view key)
{
    // The first and last eight (or four) bytes and the length: keys are codes, names
    // and identifiers, which differ near their ends.
    const char* bytes = key.data();
    const std::size_t size = key.size();
    std::uint64_t first = 0;
    std::uint64_t last = 0;
    if (size >= 8) {
        first = LoadWord(bytes);
        last = LoadWord(bytes + size - 8);
    } else if (size >= 4) {
        first = LoadHalf(bytes);
        last = LoadHalf(bytes + size - 4);
    } else if (size > 0) {
        first = (static_cast<std::uint64_t>(static_cast<unsigned char>(bytes[0])) << 16) |
                (static_cast<std::uint64_t>(static_cast<unsigned char>(bytes[size / 2])) << 8) |
                static_cast<unsigned char>(bytes[size - 1]);
    }
    std::uint64_t hash = (first * 0x9E3779B97F4A7C15ull) ^ (last * 0xC2B2AE3D27D4EB4Full) ^
                         (size * 0x165667B19E3779F9ull);
    hash ^= hash >> 29;
    hash *= 0xBF58476D1CE4E5B9ull;
    return hash ^ (hash >> 32);
}

void StringMap::AddToIndex(std::uint64_t hash, std::uint32_t bucket, std::uint32_t place)
{
    if (2 * (count + 1) > index.size()) {
        // Grow and put every entry back, this one included (it is in its bucket now).
        index.assign(std::max<std::size_t>(32, index.size() * 2), Slot{});
        const std::size_t mask = index.size() - 1;
        for (std::uint32_t b = 0; b < bucketCount; ++b) {
            for (std::uint32_t p = 0; p < buckets[b].size(); ++p) {
                const std::uint64_t entryHash = IndexHash(buckets[b][p].key);
                std::size_t slot = entryHash & mask;
                while (index[slot].place != 0) {
                    slot = (slot + 1) & mask;
                }
                index[slot] = {entryHash, b, p + 1};
            }
        }
        return;
    }
    const std::size_t mask = index.size() - 1;
    std::size_t slot = hash & mask;
    while (index[slot].place != 0) {
        slot = (slot + 1) & mask;
    }
    index[slot] = {hash, bucket, place};
}

unsigned StringMap::Hash(std::string_view key)
{
    unsigned h = 0;
    for (char byte : key) {
        // Bytes 0x80-0xFF count as negative, as a signed char reads them.
        h = h * 33u + static_cast<unsigned>(static_cast<int>(static_cast<signed char>(byte)));
    }
    return h;
}

void StringMap::Set(std::string_view key, std::string_view value)
{
    version = NextVersion();
    const unsigned hash = Hash(key);
    Bucket& bucket = buckets[hash % bucketCount];
    for (Entry& entry : bucket) {
        if (entry.hash == hash && entry.key == key) {
            entry.value.assign(value);
            return;
        }
    }
    bucket.push_back({hash, std::string(key), std::string(value)});
    AddToIndex(IndexHash(key), static_cast<std::uint32_t>(hash % bucketCount),
               static_cast<std::uint32_t>(bucket.size()));
    const std::size_t bit = FilterBit(key);
    keyFilter[bit / 64] |= std::uint64_t{1} << (bit % 64);
    ++count;
}

const std::string* StringMap::Find(std::string_view key) const
{
    if (!MayContain(key)) {
        return nullptr;
    }
    const std::uint64_t hash = IndexHash(key);
    const std::size_t mask = index.size() - 1;
    for (std::size_t slot = hash & mask; index[slot].place != 0; slot = (slot + 1) & mask) {
        if (index[slot].hash == hash) {
            const Entry& entry = buckets[index[slot].bucket][index[slot].place - 1];
            if (SameBytes(entry.key, key)) {
                return &entry.value;
            }
        }
    }
    return nullptr;
}

const std::string& StringMap::GetOr(std::string_view key, const std::string& fallback) const
{
    const std::string* value = Find(key);
    return value != nullptr ? *value : fallback;
}

void StringMap::Clear()
{
    version = NextVersion();
    for (Bucket& bucket : buckets) {
        bucket.clear();
    }
    index.clear();
    count = 0;
    keyFilter.fill(0);
}

std::vector<std::pair<std::string, std::string>> StringMap::Entries() const
{
    std::vector<std::pair<std::string, std::string>> entries;
    entries.reserve(count);
    ForEach([&](const std::string& key, const std::string& value) {
        entries.emplace_back(key, value);
    });
    return entries;
}
