#include "THelpWindow.h"

#include "core/OwnedWindows.h"
#include "core/ShellOpen.h"

#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QRegularExpression>
#include <QSplitter>
#include <QTabWidget>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace {
const char kIndexPage[] = "index.html";
}

THelpWindow::Topics THelpWindow::ReadTopics(const QString &sitemapFile)
{
    Topics topics;
    QFile file(sitemapFile);
    if (!file.open(QIODevice::ReadOnly))
        return topics;
    const QString text = QString::fromUtf8(file.readAll());
    // Each item is an OBJECT with a "Name" and a "Local" param, in either order.
    static const QRegularExpression object(QStringLiteral("<object[^>]*>(.*?)</object>"),
                                           QRegularExpression::CaseInsensitiveOption
                                               | QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression param(QStringLiteral("<param\\s+name=\"([^\"]*)\"\\s+value=\"([^\"]*)\""),
                                          QRegularExpression::CaseInsensitiveOption);
    for (auto it = object.globalMatch(text); it.hasNext();) {
        const QString body = it.next().captured(1);
        QString name, local;
        for (auto p = param.globalMatch(body); p.hasNext();) {
            const auto m = p.next();
            if (m.captured(1).compare(QStringLiteral("Name"), Qt::CaseInsensitive) == 0)
                name = m.captured(2);
            else if (m.captured(1).compare(QStringLiteral("Local"), Qt::CaseInsensitive) == 0)
                local = m.captured(2);
        }
        if (!name.isEmpty() && !local.isEmpty())
            topics.append({name, local});
    }
    return topics;
}

THelpWindow::THelpWindow(const QString &helpFolder, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_folder(QDir(helpFolder).absolutePath())
{
    setWindowTitle(QStringLiteral("Quarnel Help"));
    resize(860, 600);

    m_contents = new QListWidget;
    m_index = new QListWidget;
    m_filter = new QLineEdit;
    m_filter->setPlaceholderText(QStringLiteral("Type a word to find"));
    m_filter->setClearButtonEnabled(true);
    auto *indexPane = new QWidget;
    auto *indexLayout = new QVBoxLayout(indexPane);
    indexLayout->setContentsMargins(0, 0, 0, 0);
    indexLayout->addWidget(m_filter);
    indexLayout->addWidget(m_index);

    m_tabs = new QTabWidget;
    m_tabs->addTab(m_contents, QStringLiteral("Contents"));
    m_tabs->addTab(indexPane, QStringLiteral("Index"));

    m_browser = new QTextBrowser;
    m_browser->setSearchPaths({m_folder});
    // Pages of the help open here; web addresses go to the desktop (which says so when it cannot).
    m_browser->setOpenLinks(false);
    connect(m_browser, &QTextBrowser::anchorClicked, this, [this](const QUrl &url) {
        if (url.isRelative() || url.isLocalFile())
            m_browser->setSource(url);
        else
            ShellOpen::Open(url.toString());
    });

    auto *splitter = new QSplitter;
    splitter->addWidget(m_tabs);
    splitter->addWidget(m_browser);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({220, 640});
    auto *layout = new QHBoxLayout(this);
    layout->addWidget(splitter);

    const auto fill = [](QListWidget *list, const Topics &topics) {
        for (const auto &topic : topics) {
            auto *item = new QListWidgetItem(topic.first, list);
            item->setData(Qt::UserRole, topic.second);
        }
    };
    fill(m_contents, ReadTopics(m_folder + QStringLiteral("/quarnel.hhc")));
    fill(m_index, ReadTopics(m_folder + QStringLiteral("/quarnel.hhk")));
    const auto open = [this](QListWidgetItem *item) { ShowPage(item->data(Qt::UserRole).toString()); };
    connect(m_contents, &QListWidget::itemActivated, this, open);
    connect(m_contents, &QListWidget::itemClicked, this, open);
    connect(m_index, &QListWidget::itemActivated, this, open);
    connect(m_index, &QListWidget::itemClicked, this, open);
    connect(m_filter, &QLineEdit::textChanged, this, &THelpWindow::FilterIndex);
    connect(m_filter, &QLineEdit::returnPressed, this, [this] {
        for (int i = 0; i < m_index->count(); ++i) {
            if (!m_index->item(i)->isHidden()) {
                m_index->setCurrentRow(i);
                ShowPage(m_index->item(i)->data(Qt::UserRole).toString());
                return;
            }
        }
    });

    ShowPage(QString::fromLatin1(kIndexPage));
}

void THelpWindow::ShowPage(const QString &page)
{
    QUrl url = QUrl::fromLocalFile(m_folder + QLatin1Char('/') + page.section(QLatin1Char('#'), 0, 0));
    if (page.contains(QLatin1Char('#')))
        url.setFragment(page.section(QLatin1Char('#'), 1));
    m_browser->setSource(url);
}

void THelpWindow::FilterIndex(const QString &text)
{
    for (int i = 0; i < m_index->count(); ++i)
        m_index->item(i)->setHidden(!m_index->item(i)->text().contains(text.trimmed(), Qt::CaseInsensitive));
}

THelpWindow *THelpWindow::ShowHelp(QWidget *owner, const QString &helpFolder)
{
    auto *window = owner ? owner->findChild<THelpWindow *>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    if (!window) {
        window = new THelpWindow(helpFolder, owner);
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        OwnedWindows::CloseOnEscape(window);
        OwnedWindows::KeepOnScreen(window);
    }
    window->ShowPage(QString::fromLatin1(kIndexPage));
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}
