#pragma once

#include <QPair>
#include <QString>
#include <QVector>
#include <QWidget>

class QLineEdit;
class QListWidget;
class QTabWidget;
class QTextBrowser;

// The help pages (HTML in the program's help folder) in a small viewer of our own, so
// help works on any desktop: contents and index on the left, the page on the right.
class THelpWindow : public QWidget
{
    Q_OBJECT

public:
    // Name and page ("file.html" or "file.html#anchor") of each item of a contents or
    // index file (the sitemap lists quarnel.hhc and quarnel.hhk), in file order.
    using Topics = QVector<QPair<QString, QString>>;
    static Topics ReadTopics(const QString &sitemapFile);

    explicit THelpWindow(const QString &helpFolder, QWidget *parent = nullptr);

    // The one help window of `owner`, made on first use, shown and raised on its index page.
    static THelpWindow *ShowHelp(QWidget *owner, const QString &helpFolder);

    void ShowPage(const QString &page);
    QTextBrowser *Browser() const { return m_browser; }
    QListWidget *Contents() const { return m_contents; }
    QListWidget *Index() const { return m_index; }
    QLineEdit *IndexFilter() const { return m_filter; }

private:
    void FilterIndex(const QString &text);

    QString m_folder;
    QTabWidget *m_tabs = nullptr;
    QListWidget *m_contents = nullptr;
    QListWidget *m_index = nullptr;
    QLineEdit *m_filter = nullptr;
    QTextBrowser *m_browser = nullptr;
};
