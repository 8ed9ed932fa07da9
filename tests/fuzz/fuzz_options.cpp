// "options.dat" as the program meets it: any bytes. Loads the language,
// saves it, and checks that loading the saved file gives it back.
#include "FuzzSupport.h"

#include "session/LanguageOptions.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString directory = FuzzSupport::freshDirectory();
    if (!FuzzSupport::writeFile(directory + QLatin1String(LanguageOptions::FileName), data, size))
        return 0;
    const std::optional<int> language = LanguageOptions::LoadOptions(directory);
    FUZZ_CHECK(language.has_value() == (size >= 4));
    if (!language)
        return 0;
    FUZZ_CHECK(LanguageOptions::SaveOptions(directory, *language));
    FUZZ_CHECK(LanguageOptions::LoadOptions(directory) == language);
    return 0;
}
