#pragma once

#include <QString>

// A DVD's language code (two letters, ISO 639-1) as video files name a track's language
// (ISO 639-2, three letters); "und" when it names no language.
QString FileLanguageCode(const QString &dvdCode);
