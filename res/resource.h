// Resource ids of the program, shared by the resource tables and the code that uses them.
#pragma once

#define IDM_ABOUTBOX 0x0010
#define IDM_TRAFFIC 0x0020
#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_SOCKETTEST_DIALOG 102
#define IDP_SOCKETS_INIT_FAILED 103
#define IDD_TRAFFIC 104
#define IDS_TRAFFIC 105
#define IDR_MAINFRAME 128
#define IDR_WAVE_RECEIVE 132

#define IDC_DEST_PORT 1001
#define IDC_LOCAL_PORT 1002
#define IDC_CONNECT 1003
#define IDC_SEND_TEXT 1004
#define IDC_HEX_SEND 1005
#define IDC_SEND 1006
#define IDC_RECV_TEXT 1007
#define IDC_HEX_RECV 1008
#define IDC_CLEAR_SEND 1010
#define IDC_CLEAR_RECV 1011
#define IDC_USE_LOCAL_PORT 1012
#define IDC_MODE 1013
#define IDC_DEST_IP 1014
#define IDC_SENT_COUNT 1017
#define IDC_RECV_COUNT 1018
#define IDC_CLEAR_COUNTS 1019
#define IDC_TRAFFIC_LIST 1020
#define IDC_TRAFFIC_STATUS 1021
#define IDC_TRAFFIC_LOG 1022
#define IDC_TRAFFIC_PCAPNG 1023
#define IDC_TRAFFIC_CLEAR 1024

// Commands of the context menus, sent to the main dialog.
#define ID_TRAFFIC_SHOW 32771
#define ID_TRAFFIC_LOG 32772
#define ID_TRAFFIC_PCAPNG 32773
#define ID_RECV_SAVE 32774
