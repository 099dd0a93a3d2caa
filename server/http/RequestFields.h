#pragma once

#include <httplib.h>

#include <QJsonObject>

// The fields of a body sent either as JSON or as an HTML/OAuth form, as one
// JSON object (form values are texts).
QJsonObject requestFields(const httplib::Request& req, std::size_t limit);
