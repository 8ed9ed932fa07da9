#pragma once

#include <functional>

#include <QString>

// Every text the program shows is written in German and passes through the
// dictionary on its way to the screen. Core code that composes a message
// (a damaged table, a failed upgrade) calls UiText on its German wording; the
// program routes it to the dictionary at start-up. Until then, and in tools
// that have no dictionary, the German text comes back as it is.
QString UiText(const QString &german);
void SetUiTextTranslator(std::function<QString(const QString &)> translator);
