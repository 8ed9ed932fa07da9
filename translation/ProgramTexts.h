#pragma once

#include <QString>

// The 51 numbered texts of the program in their German wording, which is also
// their translation key. Numbers 17, 18, 20, 21 and 22 are empty, as is every
// number outside 1..51.
namespace ProgramTexts {

constexpr int Count = 51;

QString german(int n);

} // namespace ProgramTexts
