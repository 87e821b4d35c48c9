#pragma once

#include <QApplication>

// The application object. Its notify() is the top-level error report: an error that no
// handler caught shows its text in a message box, and the program goes on.
class QuarnelApplication : public QApplication
{
public:
    QuarnelApplication(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;

    static void ShowException(const QString &text);
};
