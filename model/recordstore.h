#ifndef RECORDSTORE_H
#define RECORDSTORE_H

#include <memory>
#include <vector>

// Keeps records alive until the program ends. Views, the main window and the notes editor hold pointers
// to records and their display items long after the collection that made them is gone; the store
// releases them all at exit.
class RecordStore
{
public:
    template<typename Record>
    static Record *keep(std::unique_ptr<Record> record)
    {
        Record *kept = record.get();
        // shared_ptr<void> remembers the real type, so every record is destroyed as what it is.
        records().push_back(std::shared_ptr<void>(std::move(record)));
        return kept;
    }

private:
    static std::vector<std::shared_ptr<void>> &records();
};

#endif // RECORDSTORE_H
