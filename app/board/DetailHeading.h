#pragma once

class QLabel;
class QString;

// A bold heading over a section of the capture detail.
QLabel* detailHeading(const QString& text);
