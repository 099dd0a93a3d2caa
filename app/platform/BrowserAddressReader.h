#pragma once

#include <QString>

#include <memory>
#include <optional>

// Asks a running browser for the address of the page in its active tab.
class BrowserAddressReader {
public:
    virtual ~BrowserAddressReader() = default;
    // Nothing whenever the browser can't or won't say; never a guess.
    virtual std::optional<QString> activeTabAddress(qint64 pid) const = 0;

    // The reader for this session; null when there is no way to ask.
    static std::unique_ptr<BrowserAddressReader> forSession();
};
