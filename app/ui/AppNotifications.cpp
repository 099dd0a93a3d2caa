#include "AppNotifications.h"

AppNotifications& AppNotifications::shared() {
    static AppNotifications instance;
    return instance;
}
