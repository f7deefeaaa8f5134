#include "model/recordstore.h"

std::vector<std::shared_ptr<void>> &RecordStore::records()
{
    static std::vector<std::shared_ptr<void>> kept;
    return kept;
}
