#include "Oversize.h"

#include "ContentLimit.h"

QString Oversize::describe() const {
    const QString size = ContentLimit::describe(bytes);
    return atLeast ? QStringLiteral("more than %1").arg(size) : size;
}
