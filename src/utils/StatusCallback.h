#pragma once
// The one way long-running work reports: (code, value, text). The text is
// valid during the call only. Called on the reporting worker's thread.
#include <functional>
#include <string>

using StatusCallback = std::function<void(int code, double value, const std::wstring& text)>;

// Status codes that flow from the workers through the pipeline to its owner.
enum StatusCode : int {
    DL_CODE_START = 1001,
    DL_CODE_PROGRESS = 1002,
    DL_CODE_SUCCESS = 1003,
    DL_CODE_FAIL = 1004,
    DL_CODE_RETRY = 1005,
    DL_CODE_ERROR = 1006,

    IST_CODE_START = 2001,
    IST_CODE_PROGRESS = 2002,
    IST_CODE_SUCCESS = 2003,
    IST_CODE_FAIL = 2004,

    IST_INFO_INST_PATH = 3000,
    IST_INFO_EXE_PATH = 3001,
    IST_INFO_UNINST_EXE = 3002,
    IST_INFO_UNINST_EP = 3003,
    IST_INFO_START_URL = 3004,
    IST_INFO_STARTUP_STYLE = 3005,
    IST_INFO_TOP_SHOW_DETENTION = 3007,
    IST_INFO_FINISH_CLOSE_DETENTION = 3008,
    IST_INFO_MESSAGE = 3009,

    UNIST_CODE_START = 5001,
    UNIST_CODE_PROGRESS = 5002,
    UNIST_CODE_SUCCESS = 5003,
    UNIST_CODE_FAIL = 5004,
    UNIST_CODE_ERROR = 5005,
};
