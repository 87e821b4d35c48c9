#pragma once

#include <QString>
#include <stdexcept>

// An error meant for the user: the top-level error report shows text() in a message box
// and the program goes on.
class EQuarnelError : public std::runtime_error
{
public:
    explicit EQuarnelError(const QString &text) : std::runtime_error(text.toStdString()), m_text(text) { }
    const QString &text() const { return m_text; }

private:
    QString m_text;
};
