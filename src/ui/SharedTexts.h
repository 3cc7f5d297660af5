#pragma once

#include "session/RemovalTexts.h"

#include <QCoreApplication>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <string_view>

namespace tarnwick {

// The texts the window shares with the command line, in the user's language.
namespace SharedTexts {

inline QString translated(std::string_view text) {
    return text.empty() ? QString()
                        : QCoreApplication::translate(RemovalTexts::context, std::string(text).c_str());
}

// `text` for `count`, with `arguments` for %1, %2... in order. Without a translation for the user's language
// it is the English the command line prints, whose forms for one and for many are written only there.
inline QString translated(const RemovalTexts::CountedText& text, qsizetype count,
                          const QStringList& arguments) {
    const int number = static_cast<int>(count);
    const QString grouped = QLocale().toString(number);
    QString result = QCoreApplication::translate(RemovalTexts::context, text.source, nullptr, number);
    if (result == QString::fromUtf8(text.source).replace(QStringLiteral("%Ln"), grouped)) {
        result =
            QString::fromUtf8(count == 1 ? text.one : text.other).replace(QStringLiteral("%Ln"), grouped);
    }
    for (const QString& argument : arguments) {
        result = result.arg(argument);
    }
    return result;
}

} // namespace SharedTexts
} // namespace tarnwick
