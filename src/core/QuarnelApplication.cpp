#include "QuarnelApplication.h"

#include "EQuarnelError.h"
#include "MessageBox.h"
#include "ProgramInfo.h"

#include <exception>

QuarnelApplication::QuarnelApplication(int &argc, char **argv) : QApplication(argc, argv)
{ }

bool QuarnelApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const EQuarnelError &e) {
        ShowException(e.text());
    } catch (const std::exception &e) {
        ShowException(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        ShowException(QStringLiteral("Unknown error."));
    }
    return false;
}

void QuarnelApplication::ShowException(const QString &text)
{
    MessageBox::Error(activeWindow(), text, ProgramInfo::ProductName());
}
