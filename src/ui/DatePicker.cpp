#include "DatePicker.h"

#include "text/DaySerial.h"

namespace nax {

DatePicker::DatePicker(QWidget* parent) : QDateTimeEdit(parent) {
    setCalendarPopup(true);
    setLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    setTimeSpec(Qt::UTC);
    setDateTimeRange(QDateTime(QDate(2010, 1, 1), QTime(0, 0), Qt::UTC),
                     QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59), Qt::UTC));
}

double DatePicker::serial() const {
    return DateToSerial(dateTime());
}

void DatePicker::setSerial(double serial) {
    if (auto date = SerialToDate(serial)) setDateTime(*date);
}

void DatePicker::setPickerFormat(const QString& format) {
    QString qtFormat = format;
    qtFormat.replace(QStringLiteral("tt"), QStringLiteral("AP"));
    setDisplayFormat(qtFormat);
}

void setRangeUpTo(DatePicker& start, DatePicker& end, double now, double days) {
    start.setSerial(now - days);
    end.setSerial(now);
}

} // namespace nax
