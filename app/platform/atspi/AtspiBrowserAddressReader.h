#pragma once

#include "platform/BrowserAddressReader.h"

// Reads the address of Firefox's active tab from the accessibility tree:
// the active frame's "embeds" relation names the shown document, whose
// "DocURL" attribute is its address. Only when the accessibility bus is
// already running and enabled; it is never started or switched on from here.
class AtspiBrowserAddressReader : public BrowserAddressReader {
public:
    std::optional<QString> activeTabAddress(qint64 pid) const override;
};
