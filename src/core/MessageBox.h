#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>

// Every message box and question of the program goes through here, so tests can answer
// them without a person.
class MessageBox
{
public:
    enum class Icon { Information, Question, Warning, Error };
    struct Call
    {
        Icon icon;
        QString caption;
        QString text;
        QMessageBox::StandardButtons buttons;
    };
    using Hook = std::function<QMessageBox::StandardButton(const Call &)>;

    static QMessageBox::StandardButton Show(QWidget *owner, const QString &text, const QString &caption, Icon icon,
                                            QMessageBox::StandardButtons buttons = QMessageBox::Ok);
    static void Information(QWidget *owner, const QString &text, const QString &caption);
    static void Error(QWidget *owner, const QString &text, const QString &caption);
    // Yes/No with the question icon; true for Yes.
    static bool Question(QWidget *owner, const QString &text, const QString &caption);

    // Replaces the real boxes (tests); an empty hook puts them back.
    static void SetHook(Hook hook);
};
