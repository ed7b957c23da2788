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

// The halftone pattern code for the driver and the pixel multiple the line
// width is aligned to. Without a halftone table of the scanner's own, the
// ability's width alignments are replaced by the model's.
void SelectPixelMultiple(ScannerAbility* ability, const ScanSettings* settings, int* multiple,
                         BYTE* halftoneCode, const char* productName, int mechanism);
