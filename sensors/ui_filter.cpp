#include "ui/ui_main_layout.h"
#include "ui/ui_clickable_label.h"
#include "common/dates.h"
#include "sensors/filter_criteria.h"
#include "sensors/ui_sensors.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

namespace rv::sensors {

namespace {

void showFilterState(MainContext& c, bool active)
{
    auto& u = c.ui;
    u.lblFilterState->setText(active ? "Remove Filter" : "Apply Filter");
    u.imgFilter->setIcon(QIcon((active ? u.imgRemoveFilter : u.imgApplyFilter)->pixmap()));
}

} // namespace

void imgFilterClick(MainContext& c)
{
    try {
        if (c.st.rsSensors.isFiltered()) {
            G_RemoveFilter(c);
            return;
        }
        auto& u = c.ui;
        FilterInput in;
        in.typeText = u.txtFilterType->currentText();
        in.level = u.txtFilterLevel->text();
        in.location = u.txtFilterLocation->text();
        in.start = u.txtStartDate->text();
        in.end = u.txtEndDate->text();
        in.hideDestroyed = u.chkDontShowDestroyed->isChecked();
        const FilterBuild b = buildFilterCriteria(in, todayText());
        switch (b.outcome) {
        case FilterBuild::Outcome::Ok:
            G_AddFilter(c, b.criteria);
            return;
        case FilterBuild::Outcome::NoCriteria:
            c.pr.message(filterRefusalText(b.outcome), MsgIcon::Information, MsgButtons::Ok, kQuillonTitle);
            return;
        case FilterBuild::Outcome::BadStart:
            c.pr.message(filterRefusalText(b.outcome), MsgIcon::None, MsgButtons::Ok, kAppTitle);
            u.txtStartDate->setFocus();
            return;
        case FilterBuild::Outcome::BadEnd:
            c.pr.message(filterRefusalText(b.outcome), MsgIcon::None, MsgButtons::Ok, kAppTitle);
            u.txtEndDate->setFocus();
            return;
        case FilterBuild::Outcome::BadType:
            c.pr.message(filterRefusalText(b.outcome), MsgIcon::None, MsgButtons::Ok, kAppTitle);
            return;
        }
    } catch (...) {
        c.logError("imgFilter_Click");
    }
}

void G_AddFilter(MainContext& c, const QString& criteria)
{
    auto& rs = c.st.rsSensors;
    try {
        rs.setFilter(criteria);
        if (rs.recordCount() > 0) {
            showFilterState(c, true);
            c.ui.lblFilter->setVisible(true);
        } else {
            c.pr.message("There are no sensors that meet the criteria", MsgIcon::Warning, MsgButtons::Ok,
                         kQuillonTitle);
            rs.clearFilter();
            showFilterState(c, false);
        }
        refillSensorList(c);
    } catch (...) {
        c.logError("G_AddFilter");
    }
}

void G_RemoveFilter(MainContext& c)
{
    auto& u = c.ui;
    try {
        c.st.rsSensors.clearFilter();
        u.lblFilter->setVisible(false);
        refillSensorList(c);
        showFilterState(c, false);
        u.chkDontShowDestroyed->setChecked(false);
        u.txtFilterType->setCurrentIndex(-1);
        u.txtFilterType->setEditText(QString());
        u.txtFilterLevel->clear();
        u.txtFilterLocation->clear();
        u.txtStartDate->clear();
        u.txtEndDate->clear();
    } catch (...) {
        c.logError("G_RemoveFilter");
    }
}

namespace {

bool checkDateBox(MainContext& c, QLineEdit* box, const QString& text)
{
    if (box->text().isEmpty() || IsDate(box->text()))
        return true;
    c.pr.message(text, MsgIcon::Warning, MsgButtons::Ok, kAppTitle);
    box->setFocus();
    return false;
}

} // namespace

bool txtStartDateLostFocus(MainContext& c)
{
    return checkDateBox(c, c.ui.txtStartDate,
                        "Start Date is not a valid date\nPlease type a date in the format yyyy/mm/dd");
}

bool txtEndDateLostFocus(MainContext& c)
{
    return checkDateBox(c, c.ui.txtEndDate,
                        "End Date is not a valid date\nPlease type a date in the format dd/mm/yyyy");
}

} // namespace rv::sensors
