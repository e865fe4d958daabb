// CSVPipelinedMng: an addition to the library's interface, for hosts that
// want large files moved faster on a machine with cores to spare.
//
// Its Export, Count and Import do what CSVMng's do, with the same arguments
// and results, and are pipelined: the work of neighbouring windows of rows
// overlaps on threads that the call starts and ends before it returns. An
// import reads and splits the next window of the file while the records of
// this one are made, and saves the window before; a count reads ahead the
// same way; an export makes the rows of one window while the store loads
// the next. Each record goes through the same steps in the same order as
// under CSVMng, so the counts, the stored records, the exported bytes and
// the characters counted as not written in the code page
// (GetConversionLosses, on the caller's thread) are identical; only the
// time differs, and two windows of rows are held instead of one. Progress
// reports (platform/Progress.h) may then come from those threads, one at a
// time. Calls on one object share nothing, as with CSVMng.
//
// Why a class of its own: CSVMng keeps exactly its documented interface and
// no data members, and there is no setting anywhere, global or per object,
// that its operations read; a host chooses the pipeline by the class it
// calls, and this class has no data members either.
#pragma once

#include "engine/CSVItem.h"
#include "manager/varnocsvmgr_export.h"

class VARNO_CSV_EXPORT CSVPipelinedMng {
public:
    /// CSVMng::Export, pipelined.
    long Export(unsigned long type, int profile, CString path);
    /// CSVMng::Count, pipelined.
    _en_CSVError Count(unsigned long type, long& count, int profile, CString path, CStringList& fieldNames,
                       CStringList& fileColumns, int option);
    /// CSVMng::Import, pipelined.
    _en_CSVError Import(unsigned long type, long& count, int profile, CString path, CStringList& fieldNames,
                        CStringList& fileColumns, int option, bool flag);
};
