#include "store/RecordCollection.h"

#include "store/Database_p.h"

CRecordCollection::CRecordCollection() = default;

CRecordCollection::~CRecordCollection()
{
    RemoveAll();
}

bool CRecordCollection::Delete(int i)
{
    if (i < 0 || i >= GetSize())
        return false;
    CObject* record = CObArray::GetAt(i);
    CObArray::RemoveAt(i);
    delete record;
    return true;
}

bool CRecordCollection::Delete(const CObject* record)
{
    return Delete(Find(record));
}

int CRecordCollection::Find(const CObject* record) const noexcept
{
    for (int i = 0; i < GetSize(); ++i)
        if (CObArray::GetAt(i) == record)
            return i;
    return -1;
}

void CRecordCollection::RemoveAll() noexcept
{
    for (int i = 0; i < GetSize(); ++i)
        delete CObArray::GetAt(i);
    CObArray::RemoveAll();
}

void CRecordCollection::SetLoadWindow(int records, std::function<void()> takeWindow)
{
    m_loadWindow = LoadWindow{records > 0 ? records : 0, std::move(takeWindow)};
}

long CRecordCollection::BeginBatches(std::unique_ptr<varno::store::BatchWriter> writer)
{
    m_batch = std::move(writer);
    m_batchResult = m_batch->Begin();
    if (m_batchResult < 0)
        m_batch->failure = varno::store::LastFailure();
    return m_batchResult;
}

long CRecordCollection::SaveBatch()
{
    if (!m_batch)
        return STOREERR_WRITE;
    if (m_batchResult < 0)
        return m_batchResult;
    const long written = m_batch->Write(*this);
    m_batchResult = written < 0 ? written : m_batchResult + written;
    if (written < 0)
        m_batch->failure = varno::store::LastFailure();
    return written;
}

long CRecordCollection::EndSave()
{
    std::unique_ptr<varno::store::BatchWriter> batch = std::move(m_batch);
    if (!batch)
        return STOREERR_WRITE;
    if (m_batchResult < 0) {
        varno::store::RestoreFailure(batch->failure);
        return m_batchResult; // the writer's destructor rolls back
    }
    const long committed = batch->Commit();
    varno::ReportProgress(varno::ProgressStage::Saving, m_batchResult, m_batchResult);
    return committed < 0 ? committed : m_batchResult;
}
