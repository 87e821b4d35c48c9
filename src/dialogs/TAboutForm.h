#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

// The About box: product name, version and web site. While it is shown the main window
// is disabled, which makes it modal in effect.
class TAboutForm : public QWidget
{
    Q_OBJECT
public:
    explicit TAboutForm(QWidget *mainWindow);

    QLabel *labProgramName, *labVersion, *labVisitWebsite, *labWebsite;
    QPushButton *btnOK;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void labWebsiteClick();

    QWidget *m_mainWindow;
};
