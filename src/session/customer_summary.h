#pragma once

#include <QString>

namespace vdn {

// The customer summary shown above the ball list: name line, three address
// lines, postcode and town, country, hand/wrist/weight line, telephones and
// state.
struct CustomerSummary {
    QString nameLine;  // lbl_1, also Label25 on the drilling sheet
    QString address1;  // lbl_2
    QString address2;  // lbl_3
    QString address3;  // lbl_4
    QString townLine;  // lbl_5
    QString country;   // lbl_6
    QString handLine;  // lbl_7
    QString phoneLine; // lbl_8
};

} // namespace vdn
