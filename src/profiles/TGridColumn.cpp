#include "TGridColumn.h"

#include "TValueListEditor.h"

#include <QLabel>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

TGridColumn::TGridColumn(QScrollArea *scrollBox) : m_scrollBox(scrollBox), m_content(new QWidget)
{
    m_content->setAutoFillBackground(true);
    QPalette window = m_content->palette();
    window.setColor(QPalette::Window, window.color(QPalette::Base));
    m_content->setPalette(window);
    m_column = new QVBoxLayout(m_content);
    m_column->setContentsMargins(0, 0, 0, 0);
    m_column->setSpacing(0);
}

TValueListEditor *TGridColumn::AddSection(const QString &caption, QToolButton *&button, int keyWidth, int valueWidth)
{
    auto *strip = new QLabel(QStringLiteral("      ") + caption, m_content);
    strip->setFixedHeight(18);
    strip->setAutoFillBackground(true);
    QPalette shadow = strip->palette();
    shadow.setColor(QPalette::Window, shadow.color(QPalette::Dark));
    strip->setPalette(shadow);
    QFont bold = strip->font();
    bold.setBold(true);
    strip->setFont(bold);
    button = new QToolButton(strip);
    button->setText(QStringLiteral("-"));
    button->setGeometry(4, 3, 12, 12);
    m_column->addWidget(strip);
    auto *grid = new TValueListEditor(keyWidth, valueWidth, m_content);
    m_column->addWidget(grid);
    return grid;
}

void TGridColumn::Finish()
{
    m_column->addStretch();
    m_scrollBox->setWidget(m_content);
}
