// The stage listener of the package runner, the remover and the coordinator,
// and the event codes they report.
#pragma once
#include <functional>

// (event code, value, text); the text is valid during the call only.
using InstallerListener = std::function<void(int code, double value, const wchar_t* text)>;

enum InstallerEventCode : int {
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

  UNIST_CODE_PROGRESS = 5002,
  UNIST_CODE_SUCCESS = 5003,
  UNIST_CODE_FAIL = 5004,
  UNIST_CODE_ERROR = 5005,
};

// Results of the output parsers.
enum ParseResult : int {
  kParseNoFinalRecord = 0,
  kParseSuccess = 1,
  kParseFailure = 1000,
};
