#include "keeper/PipeMessages.h"

namespace keeper {

const UINT UPM_PROCESS_HANDLE =
    RegisterWindowMessageA("UPM_PROCESS_HANDLE-{D741F7E2-9F58-11d5-A043-006067718D04}");
const UINT UPM_LINES = RegisterWindowMessageA("UPM_LINES-{D741F7E1-9F58-11d5-A043-006067718D04}");
const UINT UPM_FINISHED =
    RegisterWindowMessageA("UPM_FINISHED-{D741F7E0-9F58-11d5-A043-006067718D04}");

} // namespace keeper
