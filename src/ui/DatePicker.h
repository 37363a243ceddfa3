#pragma once
// Date-time pickers: calendar popup, English month names whatever the locale, naive date-times
// (Qt::UTC as the carrier) read and written as day serials.
#include <QDateTimeEdit>

namespace nax {

class DatePicker : public QDateTimeEdit {
    Q_OBJECT
public:
    explicit DatePicker(QWidget* parent = nullptr);
    double serial() const;
    void setSerial(double serial);
    // A picker format with "tt" for AM/PM, as the windows name them.
    void setPickerFormat(const QString& format);
};

// The lists open on the last six hours.
inline constexpr double kLastSixHours = 0.25; // days

// Sets a pair of pickers to the `days` up to `now` (day serials).
void setRangeUpTo(DatePicker& start, DatePicker& end, double now, double days);

} // namespace nax
