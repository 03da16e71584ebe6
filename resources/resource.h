/*
 * Resource and control ids of "ZANTOR-KX400 Manager".
 *
 * Shared by the .rc files (read by windres) and the C++ code, so it holds
 * only #define lines. Several numbers appear twice on purpose: a resource id
 * is unique only within its resource type (dialog 131 and PNG 131, icon 128
 * and string 128 are different resources).
 */
#ifndef KX4XX_RESOURCES_RESOURCE_H
#define KX4XX_RESOURCES_RESOURCE_H

/* Dialog templates */
#define IDD_ABOUTBOX                    100
#define IDD_ZANTORKX4XXMANAGER_DIALOG   102
#define IDD_COMCONFIG_DIALOG            131

/* Menu, icon */
#define IDR_MAINMENU                    103
#define IDR_MAINFRAME                   128

/* Pictures, resource type "PNG" */
#define IDB_PNG_WORDMARK                130
#define IDB_PNG_EMBLEM                  131
#define IDB_PNG_KX400                   132
#define IDB_PNG_KX410                   133
#define IDB_PNG_BAUD_DIAL               134
#define IDB_PNG_KX420                   135

/* Menu commands */
#define IDM_SELECT_COM_PORT             32772
#define IDM_APP_ABOUT                   57664
/* System menu item appended at run time with string IDS_ABOUTBOX */
#define IDM_ABOUTBOX                    0x0010

/* String table */
#define IDS_ABOUTBOX                    101
#define IDS_COM_PORT_CLOSED             102
#define IDS_READY                       103
#define IDS_ERR_OPEN_PORT               104
#define IDS_ERR_NOT_ZANTOR_DEVICE       105
#define IDS_ERR_PORT_FAILURE            106
#define IDS_SCAN                        107
#define IDS_STOP                        108
#define IDS_ERR_NAME_TOO_LONG           109
#define IDS_ERR_NO_SCAN_SELECTION       110
#define IDS_ERR_SLOT_BDADDR             111
#define IDS_NAME_SAVED                  112
#define IDS_ERR_ADV_INTERVAL_VALUE      113
#define IDS_ERR_NAME_SAVE               116
#define IDS_ADV_INTERVAL_SAVED          118
#define IDS_ERR_ADV_INTERVAL_SAVE       119
#define IDS_ERR_DEVICE_ALREADY_ASSIGNED 120
#define IDS_ERR_SLOT_DUPLICATE_BDADDR   121
#define IDS_SLOTS_SAVED                 122
#define IDS_ERR_SLOTS_SAVE              123
#define IDS_ERR_FLOW_NOT_SELECTED       124
#define IDS_ERR_PARITY_NOT_SELECTED     125
#define IDS_ERR_STOPBIT_NOT_SELECTED    126
#define IDS_UART_SAVED                  127
#define IDS_ERR_UART_SAVE               128
#define IDS_ERR_NAME_FILTER_LENGTH      129
#define IDS_ERR_RSSI_FILTER_VALUE       136
#define IDS_ERR_SLOT_TAG_LENGTH         137
#define IDS_CONFIRM_FACTORY_RESET       138
#define IDS_ERR_UNSUPPORTED_DEVICE      139
#define IDS_COLUMN_DEVICE_ADDRESS       140
#define IDS_COLUMN_DEVICE_NAME          141
#define IDS_COLUMN_RSSI                 142

/* Main window (dialog 102) controls */
#define IDC_PICTURE_DEVICE              1000
#define IDC_LIST_SCAN                   1007
#define IDC_STATIC_FW_VERSION           1009
#define IDC_BTN_UPDATE                  1010
#define IDC_BTN_RESTART                 1011
#define IDC_BTN_FACTORY_RESET           1013
#define IDC_EDIT_DEVICE_NAME            1014
#define IDC_BTN_SAVE_NAME               1015
#define IDC_CHECK_NAME_FILTER           1024
#define IDC_EDIT_NAME_FILTER            1025
#define IDC_BTN_SCAN                    1026
#define IDC_CHECK_RSSI_FILTER           1027
#define IDC_EDIT_RSSI_FILTER            1028
#define IDC_BTN_SAVE_SLOTS              1033
#define IDC_STATIC_BDADDR               1052
#define IDC_EDIT_ADV_INTERVAL           1069
#define IDC_BTN_SAVE_ADV_INTERVAL       1070
#define IDC_GROUP_REGISTER_DEVICES      1071
#define IDC_GROUP_DEVICE_INFO           1072
#define IDC_COMBO_FLOW_CONTROL          1075
#define IDC_COMBO_PARITY                1076
#define IDC_COMBO_STOPBIT               1077
#define IDC_BTN_SAVE_UART               1078
#define IDC_GROUP_UART_OPTIONS          1079

/* Seven slot rows; row k (0 to 6) uses FIRST + k of each kind. */
#define IDC_BTN_CLEAR_SLOT1             1034
#define IDC_BTN_CLEAR_SLOT2             1035
#define IDC_BTN_CLEAR_SLOT3             1036
#define IDC_BTN_CLEAR_SLOT4             1037
#define IDC_BTN_CLEAR_SLOT5             1038
#define IDC_BTN_CLEAR_SLOT6             1039
#define IDC_BTN_CLEAR_SLOT7             1040
#define IDC_EDIT_SLOT_TAG1              1043
#define IDC_EDIT_SLOT_TAG2              1044
#define IDC_EDIT_SLOT_TAG3              1045
#define IDC_EDIT_SLOT_TAG4              1046
#define IDC_EDIT_SLOT_TAG5              1047
#define IDC_EDIT_SLOT_TAG6              1048
#define IDC_EDIT_SLOT_TAG7              1049
#define IDC_BTN_ASSIGN_SLOT1            1053
#define IDC_BTN_ASSIGN_SLOT2            1054
#define IDC_BTN_ASSIGN_SLOT3            1055
#define IDC_BTN_ASSIGN_SLOT4            1056
#define IDC_BTN_ASSIGN_SLOT5            1057
#define IDC_BTN_ASSIGN_SLOT6            1058
#define IDC_BTN_ASSIGN_SLOT7            1059
#define IDC_EDIT_SLOT_ADDR1             1061
#define IDC_EDIT_SLOT_ADDR2             1062
#define IDC_EDIT_SLOT_ADDR3             1063
#define IDC_EDIT_SLOT_ADDR4             1064
#define IDC_EDIT_SLOT_ADDR5             1065
#define IDC_EDIT_SLOT_ADDR6             1066
#define IDC_EDIT_SLOT_ADDR7             1067
#define IDC_BTN_CLEAR_SLOT_FIRST        IDC_BTN_CLEAR_SLOT1
#define IDC_EDIT_SLOT_TAG_FIRST         IDC_EDIT_SLOT_TAG1
#define IDC_BTN_ASSIGN_SLOT_FIRST       IDC_BTN_ASSIGN_SLOT1
#define IDC_EDIT_SLOT_ADDR_FIRST        IDC_EDIT_SLOT_ADDR1
#define IDC_SLOT_COUNT                  7

/* Status bar created at run time below the main window's controls */
#define IDC_STATUS_BAR                  0xE801

/* COM port dialog (131) controls */
#define IDC_COMBO_COM_PORT              1001
#define IDC_COMBO_COM_PARITY            1002
#define IDC_COMBO_COM_STOPBIT           1003
#define IDC_COMBO_COM_BAUD              1004
#define IDC_PICTURE_BAUD_DIAL           1074
#define IDC_RICHEDIT_HINT               1080

/* About box (100) controls */
#define IDC_PICTURE_LOGO                1086
#define IDC_STATIC_PRODUCT              1087
#define IDC_STATIC_COPYRIGHT            1088

#endif /* KX4XX_RESOURCES_RESOURCE_H */
