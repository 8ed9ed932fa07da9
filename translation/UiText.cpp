#include "UiText.h"

namespace {
std::function<QString(const QString &)> &translator()
{
    static std::function<QString(const QString &)> instance;
    return instance;
}
} // namespace

QString UiText(const QString &german)
{
    const auto &translate = translator();
    return translate ? translate(german) : german;
}

void SetUiTextTranslator(std::function<QString(const QString &)> translator_)
{
    translator() = std::move(translator_);
}
