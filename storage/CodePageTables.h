#pragma once

// The upper halves (bytes 0x80 to 0xFF) of the single-byte code pages that
// dBase language-driver IDs name; the lower halves are ASCII.
namespace CodePageTables {

struct UpperHalf
{
    int codePage;
    const char16_t *table; // 128 entries
};

extern const UpperHalf all[];
extern const int allCount;

} // namespace CodePageTables
