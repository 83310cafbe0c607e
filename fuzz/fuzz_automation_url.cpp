// Any bytes handed over as a stashwick:// URL are refused or parsed; parsed arguments are
// well-formed text and the integer arguments read back as what they say.
#include "app/AutomationUrl.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const auto url = AutomationUrl::parse(input);
    if (!url) {
        (void)AutomationUrl::refusal(input);
        return 0;
    }
    if (url->stringArgs().size() > input.size()) {
        std::abort();
    }
    for (const QString& arg : url->stringArgs()) {
        if (arg.isEmpty() || arg.contains(QChar(0))) {
            std::abort();
        }
    }
    for (qint64 v : url->intArgs()) {
        if (!url->stringArgs().contains(QString::number(v)) &&
            !url->stringArgs().contains(QLatin1Char('+') + QString::number(v)) &&
            std::none_of(url->stringArgs().begin(), url->stringArgs().end(),
                         [v](const QString& a) { return AutomationUrl::parseInteger(a) == v; })) {
            std::abort();
        }
    }
    (void)url->transformArg();
    return 0;
}
