#include "TConversionRequest.h"

#include "profiles/TParameterGrids.h"

namespace {

// Grids without rows, for a request that names none.
class TNoGrids : public TParameterGrids
{
public:
    bool FindRow(int, const QString &, QString &, QStringList &) const override { return false; }
};

} // namespace

const TParameterGrids &GridsOf(const TConversionRequest &request)
{
    static const TNoGrids none;
    return request.Grids ? *request.Grids : none;
}
