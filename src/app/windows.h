#pragma once

// Program-wide references to the windows; each lives from start to program end.
namespace formelan {

class TMainForm;
class TMainView;
class TRData;
class TDData;

extern TMainForm *MainForm;
extern TDData *DData;
extern TMainView *MainView;
extern TRData *RData;

} // namespace formelan
