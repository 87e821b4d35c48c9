#include "convert/commands/TToolCommand.h"

#include <algorithm>

namespace {

QString Quoted(const QString &text)
{
    QString escaped = text;
    escaped.replace(QLatin1Char('"'), QLatin1String("\\\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

} // namespace

TToolCommand &TToolCommand::Add(const QString &argument)
{
    m_arguments << argument;
    const bool plain = !argument.isEmpty() && !argument.contains(QLatin1Char('"'))
                    && std::none_of(argument.begin(), argument.end(), [](QChar c) { return c.isSpace(); });
    m_text += QLatin1Char(' ') + (plain ? argument : Quoted(argument));
    return *this;
}

TToolCommand &TToolCommand::AddQuoted(const QString &argument)
{
    m_arguments << argument;
    m_text += QLatin1Char(' ') + Quoted(argument);
    return *this;
}

TToolCommand &TToolCommand::AddWords(const QString &words)
{
    const QStringList pieces = words.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString &piece : pieces)
        Add(piece);
    return *this;
}

TToolCommand &TToolCommand::AddFileInput(const QString &file)
{
    return Add(QStringLiteral("-protocol_whitelist")).Add(QStringLiteral("file,pipe")).Add(QStringLiteral("-i")).AddQuoted(file);
}

TToolCommand &TToolCommand::AddWritten(const QString &file)
{
    m_written.append(file);
    return AddQuoted(file);
}
