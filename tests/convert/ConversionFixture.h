#pragma once

#include "ConvertTestSupport.h"
#include "FakePowerManager.h"
#include "TestSupport.h"

#include "convert/run/TConversionRun.h"
#include "tasklist/TTaskListModel.h"

#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QTemporaryDir>

#include <memory>

using Rows = QList<QPair<QString, QString>>; // grid row, text chosen in it

struct Choice
{
    int title = 1;
    int chapter = 0; // 0: the title itself
    int audio = 0;
    int subtitle = 0;
    QString start, end; // a trimmed span, empty for the entry's own
};

Q_DECLARE_METATYPE(Rows)
Q_DECLARE_METATYPE(Choice)

void SetSpan(TTaskNodeData &d, const QString &start, const QString &end);

// Whole conversions with the real MEncoder and FFmpeg on generated DVDs, the window left out:
// each test function gets a program folder with the tool links' names, a work and an output
// folder, a recording host and a run; no tool may be left running after it.
class ConversionFixture : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

protected:
    void WriteTool(const QString &name, const QString &body);
    // A test disc by name; OpenFolder: a disc anywhere.
    void Open(const QString &name);
    void OpenFolder(const QString &folder);
    void Check(const Choice &c);
    TConversionRequest Request(const QString &profile, const Rows &rows);
    TConversionRun::Outcome RunToEnd(const TConversionRequest &request);

    std::unique_ptr<FakePowerManager> m_power;
    std::unique_ptr<TestProgramFolder> m_program;
    std::unique_ptr<QTemporaryDir> m_work, m_out;
    std::unique_ptr<RecordingHost> m_host;
    std::unique_ptr<TConversionRun> m_run;
    std::unique_ptr<ShownGrids> m_grids;
    TTaskListModel m_list;
};
