#include "platform/BrowserAddressReader.h"

#include "platform/atspi/AtspiBrowserAddressReader.h"

std::unique_ptr<BrowserAddressReader> BrowserAddressReader::forSession() {
    return std::make_unique<AtspiBrowserAddressReader>();
}
