#pragma once

#include "store/ActivityEvent.h"
#include "store/Person.h"

#include <functional>
#include <optional>

// One history entry as a sentence: "you changed status — resolved".
namespace ActivityLine {

QString text(const ActivityEvent& event,
             const std::function<std::optional<Person>(const std::optional<QString>&)>& person);

} // namespace ActivityLine
