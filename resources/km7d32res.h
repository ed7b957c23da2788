// Control identifiers of the data source's dialog templates.
#pragma once

// "CALIBRATION": the calibration title and the waiting text.
#define IDC_CALIBRATION_TITLE 10030
#define IDC_CALIBRATION_WAIT 10031
