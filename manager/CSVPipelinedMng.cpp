#include "manager/CSVPipelinedMng.h"

#include "manager/Facade_p.h"

#include <utility>

long CSVPipelinedMng::Export(unsigned long type, int profile, CString path)
{
    return varno::detail::Facade{true}.Export(type, profile, std::move(path));
}

_en_CSVError CSVPipelinedMng::Count(unsigned long type, long& count, int profile, CString path,
                                    CStringList& fieldNames, CStringList& fileColumns, int option)
{
    return varno::detail::Facade{true}.Count(type, count, profile, std::move(path), fieldNames, fileColumns, option);
}

_en_CSVError CSVPipelinedMng::Import(unsigned long type, long& count, int profile, CString path,
                                     CStringList& fieldNames, CStringList& fileColumns, int option, bool flag)
{
    return varno::detail::Facade{true}.Import(type, count, profile, std::move(path), fieldNames, fileColumns, option,
                                              flag);
}
