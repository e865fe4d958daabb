#include "store/RecordCollection.h"

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
