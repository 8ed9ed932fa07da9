#pragma once

// Offsets and sizes of a dBase III/IV table file: a 32-byte header, one
// 32-byte descriptor per field, the terminator 0x0D, the records, and 0x1A.
// All integers are little-endian.
namespace DbfFormat {

constexpr int HeaderSize = 32;
constexpr int VersionOffset = 0;
constexpr int UpdateYearOffset = 1; // year - 1900
constexpr int UpdateMonthOffset = 2;
constexpr int UpdateDayOffset = 3;
constexpr int RecordCountOffset = 4; // quint32
constexpr int HeaderLengthOffset = 8; // quint16
constexpr int RecordLengthOffset = 10; // quint16
// quint32 in the bytes dBase keeps for multi-user use (16-27), which other
// dBase tools ignore: raised by every write, 0 in a new table.
constexpr int ChangeCounterOffset = 16;
constexpr int ProductionIndexOffset = 28;
constexpr int LanguageDriverOffset = 29;

constexpr int DescriptorSize = 32;
constexpr int DescriptorNameSize = 11; // zero-filled
constexpr int MaxNameBytes = 10;
constexpr int DescriptorTypeOffset = 11;
constexpr int DescriptorWidthOffset = 16;
constexpr int DescriptorDecimalsOffset = 17;

constexpr unsigned char VersionDbase = 0x03; // dBase III/IV table without memo
constexpr unsigned char VersionMask = 0x07;
constexpr char HeaderTerminator = 0x0D;
constexpr char EndOfFile = 0x1A;
constexpr char LiveFlag = ' ';
constexpr char DeletedFlag = '*';

constexpr int MaxFieldWidth = 255;

// Byte-range locks lie beyond every byte a table can hold (2^32 records of
// at most 65535 bytes stay below 2^48), as the xBase tools lock: a lock then
// never stops another PC from reading, where locks are mandatory (Windows).
// One byte each: the header at the base, record n at the base plus n, and
// below the base the open table (shared while open, exclusive for a table
// that is to be replaced).
constexpr long long LockBase = 1LL << 48;
constexpr long long HeaderLockOffset = LockBase;
constexpr long long OpenLockOffset = LockBase - 1;

// Windows ANSI (code page 1252): other dBase tools then read our umlauts right.
constexpr unsigned char AnsiLanguageDriver = 0x57;

} // namespace DbfFormat
