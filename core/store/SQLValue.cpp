#include "SQLValue.h"

#include <chrono>
#include <cmath>

double toEpochSeconds(const QDateTime& t) {
    return double(t.toMSecsSinceEpoch()) / 1000.0;
}

QDateTime fromEpochSeconds(double seconds) {
    return QDateTime::fromMSecsSinceEpoch(std::llround(seconds * 1000.0), Qt::UTC);
}

SQLValue SQLValue::date(const std::optional<QDateTime>& v) {
    return v && v->isValid() ? SQLValue(toEpochSeconds(*v)) : SQLValue();
}

SQLValue SQLValue::now() {
    using namespace std::chrono;
    const auto micros = duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
    return SQLValue(double(micros) / 1e6);
}
