#pragma once

#include "store/Person.h"
#include "store/Workspace.h"

#include <QMap>

#include <vector>

// Who the token belongs to and what it can reach.
struct AccountInfo {
    Person user;
    std::vector<Workspace> workspaces;
    QMap<QString, bool> features;
};
