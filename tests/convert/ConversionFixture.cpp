#include "ConversionFixture.h"

#include "core/AppFolders.h"
#include "core/TDVDInformation.h"
#include "core/TimeText.h"
#include "dvd/DvdTitleLoader.h"
#include "profiles/TIniFile.h"
#include "profiles/TProfile.h"

#include <QFile>
#include <QSignalSpy>
#include <QtTest>

void SetSpan(TTaskNodeData &d, const QString &start, const QString &end)
{
    d.StartText = start;
    d.EndText = end;
    d.Start = TimeTextToSeconds(start);
    d.End = TimeTextToSeconds(end);
}

void ConversionFixture::init()
{
    m_power = std::make_unique<FakePowerManager>();
    m_program = std::make_unique<TestProgramFolder>();
    m_work = std::make_unique<QTemporaryDir>();
    m_out = std::make_unique<QTemporaryDir>();
    m_host = std::make_unique<RecordingHost>();
    m_run = std::make_unique<TConversionRun>(*m_host);
    AppFolders::SetAppDir(m_program->path());
    AppFolders::SetWorkDir(m_work->path());
    DvdInfo = TDVDInformation();
    m_list.Clear();
}

void ConversionFixture::cleanup()
{
    m_run.reset();
    QCOMPARE(LiveChildren(), QList<qint64>());
    m_host.reset();
    m_out.reset();
    m_work.reset();
    m_program.reset();
    m_power.reset();
}

void ConversionFixture::WriteTool(const QString &name, const QString &body)
{
    const QString path = m_program->file(name);
    QFile::remove(path);
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("#!/bin/bash\n" + body.toLocal8Bit());
    f.close();
    QVERIFY(f.setPermissions(f.permissions() | QFileDevice::ExeOwner));
}

void ConversionFixture::Open(const QString &name)
{
    OpenFolder(TestDvdsDir() + QLatin1Char('/') + name);
}

void ConversionFixture::OpenFolder(const QString &folder)
{
    DvdTitleLoader loader;
    loader.LoadDvdTitles(folder, m_list);
    QVERIFY(!m_list.IsEmpty());
    m_list.UncheckAll();
}

void ConversionFixture::Check(const Choice &c)
{
    QModelIndex index = m_list.index(c.title - 1, 0);
    if (c.chapter > 0)
        index = m_list.index(c.chapter - 1, 0, index);
    TTaskNodeData *d = m_list.Entry(index);
    QVERIFY(d);
    d->Checked = true;
    d->AudioIndex = d->AudioLanguageIndex = c.audio;
    d->SubtitleIndex = c.subtitle;
    if (!c.start.isEmpty())
        SetSpan(*d, c.start, c.end);
}

TConversionRequest ConversionFixture::Request(const QString &profile, const Rows &rows)
{
    TConversionRequest request;
    request.Entries = CollectCheckedEntries(m_list, DvdInfo.DvdPath);
    request.OutputDirText = m_out->path() + QLatin1Char('/');
    request.ProfileFile = m_program->file(QStringLiteral("Profiles/") + profile + QStringLiteral(".apf"));
    m_grids = std::make_unique<ShownGrids>(request.ProfileFile);
    for (const auto &[row, text] : rows)
        m_grids->Set(row, text);
    request.Grids = m_grids.get();
    request.Dvd = DvdInfo;
    request.OutputExt = TProfile::Read(TIniFile(request.ProfileFile)).OutputExtension();
    return request;
}

TConversionRun::Outcome ConversionFixture::RunToEnd(const TConversionRequest &request)
{
    QSignalSpy finished(m_run.get(), &TConversionRun::Finished);
    m_run->Start(request);
    if (!finished.wait(60000))
        return TConversionRun::Outcome::Aborted;
    return finished.first().at(0).value<TConversionRun::Outcome>();
}
