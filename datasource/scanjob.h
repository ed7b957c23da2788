// Turning the scan settings into a scan job for the driver.
#pragma once

#include "records.h"

// Derives the job in place from the given records; 700 when usable, 710 when
// the image would be narrower or shorter than 64 pixels. mechanism: TWSX_*.
int DeriveScanJob(ScanSettings* settings, ScanParameters* params, JobInfo* job,
                  ScannerAbility* ability, const char* productName, int uiInUse, int mechanism);

// The job of the next image: derived afresh from the request (`settings`)
// into `jobSettings`, `scanParameters` and `jobInfo`, so that every
// derivation of one image gives the same job.
int DeriveJob(int mechanism);
