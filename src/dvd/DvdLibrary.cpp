#include "DvdLibrary.h"

#include <QFile>
#include <QFileInfo>

#include <cstdarg>
#include <map>

#include <dvdread/dvd_reader.h>
#include <dvdread/ifo_read.h>
#include <dvdread/ifo_types.h>

namespace {

// libdvdread talks on stderr by default; a folder that is not a DVD is a normal answer here.
void DiscardLog(void *, dvd_logger_level_t, const char *, va_list) {}
const dvd_logger_cb QuietLogger = {DiscardLog};

struct IfoCloser
{
    void operator()(ifo_handle_t *ifo) const { ifoClose(ifo); }
};
using IfoPtr = std::unique_ptr<ifo_handle_t, IfoCloser>;

} // namespace

struct DvdLibrary::Handle::Private
{
    ~Private()
    {
        // The information files first: they were read through the reader.
        titleSets.clear();
        vmg.reset();
        if (reader)
            DVDClose(reader);
    }

    const title_info_t *Title(int title) const
    {
        if (!vmg || !vmg->tt_srpt || !vmg->tt_srpt->title || title < 0 || title >= vmg->tt_srpt->nr_of_srpts)
            return nullptr;
        return &vmg->tt_srpt->title[title];
    }

    // The part-of-title table of a title set, read on first use; null when unreadable.
    const vts_ptt_srpt_t *PartsOfTitle(int titleSet)
    {
        auto known = titleSets.find(titleSet);
        if (known == titleSets.end()) {
            IfoPtr vts(ifoOpenVTSI(reader, titleSet));
            if (vts && !ifoRead_VTS_PTT_SRPT(vts.get()))
                vts.reset();
            known = titleSets.emplace(titleSet, std::move(vts)).first;
        }
        return known->second ? known->second->vts_ptt_srpt : nullptr;
    }

    dvd_reader_t *reader = nullptr;
    IfoPtr vmg;
    std::map<int, IfoPtr> titleSets;
};

DvdLibrary::Handle::Handle() = default;
DvdLibrary::Handle::Handle(Handle &&other) noexcept = default;
DvdLibrary::Handle &DvdLibrary::Handle::operator=(Handle &&other) noexcept = default;
DvdLibrary::Handle::~Handle() = default;

bool DvdLibrary::Handle::isOpen() const { return d && d->vmg; }

DvdLibrary::Handle DvdLibrary::DVD_OpenDVD(const QString &folder)
{
    Handle dvd;
    // libdvdread reports a missing path with perror() past its logger.
    if (folder.isEmpty() || !QFileInfo::exists(folder))
        return dvd;
    const QByteArray path = QFile::encodeName(folder);
    dvd_reader_t *reader = DVDOpen2(nullptr, &QuietLogger, path.constData());
    if (!reader)
        return dvd;
    dvd.d = std::make_unique<Handle::Private>();
    dvd.d->reader = reader;
    IfoPtr vmg(ifoOpenVMGI(reader));
    if (vmg && ifoRead_TT_SRPT(vmg.get()))
        dvd.d->vmg = std::move(vmg);
    return dvd;
}

int DvdLibrary::DVD_GetTitleNum(const Handle &dvd)
{
    if (!dvd.isOpen() || !dvd.d->vmg->tt_srpt || !dvd.d->vmg->tt_srpt->title)
        return 0;
    return dvd.d->vmg->tt_srpt->nr_of_srpts;
}

void DvdLibrary::DVD_GetIndexInfo(const Handle &dvd, int title, int &titleSetIndex, int &chainIndex)
{
    titleSetIndex = -1;
    chainIndex = -1;
    if (!dvd.isOpen())
        return;
    const title_info_t *info = dvd.d->Title(title);
    if (!info || info->title_set_nr == 0)
        return;
    const vts_ptt_srpt_t *parts = dvd.d->PartsOfTitle(info->title_set_nr);
    if (!parts || !parts->title || info->vts_ttn == 0 || info->vts_ttn > parts->nr_of_srpts)
        return;
    const ttu_t &titleUnit = parts->title[info->vts_ttn - 1];
    if (titleUnit.nr_of_ptts == 0 || !titleUnit.ptt || titleUnit.ptt[0].pgcn == 0)
        return;
    titleSetIndex = info->title_set_nr - 1;
    chainIndex = titleUnit.ptt[0].pgcn - 1;
}

int DvdLibrary::DVD_GetTitleAngle(const Handle &dvd, int title)
{
    if (!dvd.isOpen())
        return 0;
    const title_info_t *info = dvd.d->Title(title);
    return info ? info->nr_of_angles : 0;
}
