#pragma once

#include <QString>

namespace launcher {

// The system time zone's IANA identifier, such as "Europe/Berlin".
QString systemTimeZoneId();
// The system locale's territory as a two-letter code; empty when it has none.
QString systemRegionCode();

} // namespace launcher
