#include "StoreWrite.h"

namespace {
int severity(StoreWrite::Status s) {
    switch (s) {
    case StoreWrite::Status::Unchanged:
        return 0;
    case StoreWrite::Status::Saved:
        return 1;
    case StoreWrite::Status::Pending:
        return 2;
    case StoreWrite::Status::Refused:
        return 3;
    }
    return 0;
}
} // namespace

StoreWrite StoreWrite::operator&(const StoreWrite& other) const {
    return severity(other.status) > severity(status) ? other : *this;
}
