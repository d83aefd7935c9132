#pragma once

namespace kestrine::app {

// Command ids of the menus, as the operators' documentation and the status prompts know them.
enum CommandId : int {
  ID_FILE_NEW = 57600,
  ID_FILE_PRINT = 57607,
  ID_EDIT_COPY = 57634,
  ID_EDIT_CUT = 57635,
  ID_EDIT_PASTE = 57637,
  ID_EDIT_UNDO = 57643,
  ID_APP_ABOUT = 57664,
  ID_APP_EXIT = 57665,
  ID_VIEW_TOOLBAR = 59392,
  ID_VIEW_STATUS_BAR = 59393,

  ID_SEARCH_ENCODER = 32771,
  ID_DEL_ENCODER = 32772,
  ID_READ_CONFIGURATION = 32773,
  ID_WRITE_CONFIGURATION = 32774,
  ID_START_TS_IP = 32775,
  ID_STOP_TS_IP = 32776,
  ID_ADD_ENCODER = 32777,
  ID_OPEN_ENCODER_LIST = 32778,
  ID_SAVE_ENCODER_LIST = 32779,
  ID_AUDIT_ENCODERS = 32780,

  ID_READ_DEVICE_MESSAGE = 10002,
};

}  // namespace kestrine::app
