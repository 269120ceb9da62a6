#include "engine/StringMap.h"

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
    const unsigned hash = Hash(key);
    Bucket& bucket = buckets[hash % bucketCount];
    for (Entry& entry : bucket) {
        if (entry.hash == hash && entry.key == key) {
            entry.value.assign(value);
            return;
        }
    }
    bucket.push_back({hash, std::string(key), std::string(value)});
    keyLengths |= LengthBit(key.size());
    ++count;
}

const std::string* StringMap::Find(std::string_view key) const
{
    if ((keyLengths & LengthBit(key.size())) == 0) {
        return nullptr;
    }
    const unsigned hash = Hash(key);
    const Bucket& bucket = buckets[hash % bucketCount];
    for (const Entry& entry : bucket) {
        if (entry.hash == hash && entry.key == key) {
            return &entry.value;
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
    for (Bucket& bucket : buckets) {
        bucket.clear();
    }
    count = 0;
    keyLengths = 0;
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
