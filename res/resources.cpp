#include "res/resources.h"

#include "res/resource.h"

#include "platform/commctrl.h"

namespace {

constexpr DWORD kLabel = SS_LEFT | WS_GROUP | SS_CENTERIMAGE;
constexpr DWORD kFlatGroup = BS_GROUPBOX | BS_FLAT;
constexpr DWORD kPortEdit = WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;

// Template order is tab order.
constexpr DialogItemTemplate kMainDialogItems[] = {
    {IDC_CONNECT, "Button", "创 建", BS_PUSHBUTTON | WS_TABSTOP, 24, 144, 47, 15},
    {IDC_STATIC, "Button", "连接参数", kFlatGroup, 8, 3, 84, 160},
    {IDC_STATIC, "Static", "目标IP:", kLabel, 13, 15, 28, 8},
    {IDC_STATIC, "Static", "目标端口:", kLabel, 13, 47, 36, 8},
    {IDC_DEST_PORT, "Edit", "", kPortEdit, 13, 57, 73, 13},
    {IDC_LOCAL_PORT, "Edit", "", kPortEdit, 13, 90, 73, 14},
    {IDC_STATIC, "Button", "发送", kFlatGroup, 101, 3, 223, 140},
    {IDC_SEND_TEXT, "Edit", "", WS_BORDER | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE, 106, 16, 209, 104},
    {IDC_HEX_SEND, "Button", "16进制发送", BS_AUTOCHECKBOX | WS_TABSTOP, 108, 127, 56, 11},
    {IDC_SEND, "Button", "发 送", BS_PUSHBUTTON | WS_TABSTOP | WS_DISABLED, 270, 125, 46, 14},
    {IDC_STATIC, "Button", "接收", kFlatGroup, 101, 153, 223, 122},
    {IDC_RECV_TEXT, "Edit", "", WS_BORDER | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY, 107, 168, 208, 86},
    {IDC_HEX_RECV, "Button", "16进制接收", BS_AUTOCHECKBOX | WS_TABSTOP, 107, 260, 56, 11},
    {IDC_CLEAR_SEND, "Button", "清 空", BS_PUSHBUTTON | WS_TABSTOP, 188, 125, 46, 14},
    {IDC_CLEAR_RECV, "Button", "清 空", BS_PUSHBUTTON | WS_TABSTOP, 270, 258, 46, 14},
    {IDC_STATIC, "Button", "计数", kFlatGroup, 8, 171, 84, 104},
    {IDC_STATIC, "Static", "发送:", kLabel, 17, 185, 19, 8},
    {IDC_SENT_COUNT, "Edit", "", kPortEdit, 17, 195, 47, 12},
    {IDC_STATIC, "Static", "接收:", kLabel, 17, 219, 21, 8},
    {IDC_RECV_COUNT, "Edit", "", kPortEdit, 17, 229, 47, 12},
    {IDC_CLEAR_COUNTS, "Button", "清空计数", BS_PUSHBUTTON | WS_TABSTOP, 23, 250, 47, 16},
    {IDC_STATIC, "Static", "字节", kLabel, 66, 197, 17, 8},
    {IDC_STATIC, "Static", "字节", kLabel, 66, 232, 19, 8},
    {IDC_USE_LOCAL_PORT, "Button", "指定本地端口:", BS_AUTOCHECKBOX | WS_TABSTOP, 13, 78, 66, 10},
    {IDC_STATIC, "Static", "类型:", kLabel, 14, 113, 20, 8},
    {IDC_MODE, "ComboBox", "", CBS_DROPDOWNLIST | CBS_SORT | WS_VSCROLL | WS_TABSTOP, 12, 123, 76, 56},
    {IDC_DEST_IP, "SysIPAddress32", "IPAddress1", WS_TABSTOP, 14, 26, 72, 13},
};

constexpr DialogInitEntry kMainDialogInit[] = {
    {IDC_MODE, CB_ADDSTRING, "TCP"},
    {IDC_MODE, CB_ADDSTRING, "UDP"},
    {IDC_MODE, CB_ADDSTRING, "UDP(组播模式)"},
};

constexpr DialogItemTemplate kAboutItems[] = {
    {IDC_STATIC, "Static", "#128", SS_ICON, 11, 17, 20, 20},
    {IDC_STATIC, "Static", "Quorvin 1.0 版", SS_LEFT | WS_GROUP | SS_NOPREFIX, 40, 10, 119, 8},
    {IDC_STATIC, "Static", "Lanspry: TCP/UDP/组播测试", SS_LEFT | WS_GROUP, 40, 25, 119, 8},
    {IDOK, "Button", "确定", BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP, 178, 7, 50, 14},
};

constexpr DialogItemTemplate kTrafficItems[] = {
    {IDC_STATIC, "Static", "方向:", kLabel, 7, 6, 20, 8},
    {IDC_TRAFFIC_DIRECTION, "ComboBox", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 27, 4, 36, 60},
    {IDC_STATIC, "Static", "对端:", kLabel, 67, 6, 20, 8},
    {IDC_TRAFFIC_PEER, "ComboBox", "", CBS_DROPDOWN | WS_VSCROLL | WS_TABSTOP, 87, 4, 84, 100},
    {IDC_STATIC, "Static", "内容:", kLabel, 175, 6, 20, 8},
    {IDC_TRAFFIC_CONTENT, "Edit", "", ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 195, 4, 100, 12},
    {IDC_TRAFFIC_HEX, "Button", "十六进制", BS_AUTOCHECKBOX | WS_TABSTOP, 299, 5, 48, 10},
    {IDC_TRAFFIC_FILTER_CONTENT, "Button", "筛选", BS_AUTOCHECKBOX | WS_TABSTOP, 349, 5, 32, 10},
    {IDC_TRAFFIC_FIND_NEXT, "Button", "查找下一个(F3)", BS_PUSHBUTTON | WS_TABSTOP, 385, 3, 68, 14},
    {IDC_STATIC, "Static", "通信事件:", kLabel, 7, 21, 60, 8},
    {IDC_TRAFFIC_LIST, "SysListView32", "", LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS | WS_BORDER | WS_TABSTOP, 7,
     31, 446, 150},
    {IDC_STATIC, "Static", "事件详情:", kLabel, 7, 185, 60, 8},
    {IDC_TRAFFIC_DETAIL, "Edit", "", ES_MULTILINE | ES_READONLY | WS_VSCROLL | WS_BORDER | WS_TABSTOP, 7, 195, 446, 70},
    {IDC_TRAFFIC_STATUS, "Static", "", SS_LEFT | SS_NOPREFIX, 7, 269, 446, 8},
    {IDC_TRAFFIC_LOG, "Button", "记录到文件(&L)...", BS_PUSHBUTTON | WS_TABSTOP, 7, 281, 74, 14},
    {IDC_TRAFFIC_PCAPNG, "Button", "保存为 pcapng(&P)...", BS_PUSHBUTTON | WS_TABSTOP, 85, 281, 80, 14},
    {IDC_TRAFFIC_CLEAR, "Button", "清 空", BS_PUSHBUTTON | WS_TABSTOP, 353, 281, 48, 14},
    {IDCANCEL, "Button", "关 闭", BS_PUSHBUTTON | WS_TABSTOP, 405, 281, 48, 14},
};

constexpr DialogItemTemplate kSendOptionsItems[] = {
    {IDC_OPT_ESCAPES, "Button", "文本模式下解释转义符(&E): \\r \\n \\t \\0 \\\\ \\xHH", BS_AUTOCHECKBOX | WS_TABSTOP, 7,
     8, 196, 10},
    {IDC_STATIC, "Static", "文本模式的行尾:", kLabel, 7, 24, 90, 8},
    {IDC_OPT_LINE_ENDING, "ComboBox", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 7, 34, 96, 60},
    {IDC_STATIC, "Static", "附加校验:", kLabel, 109, 24, 90, 8},
    {IDC_OPT_CHECKSUM, "ComboBox", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 109, 34, 94, 70},
    {IDOK, "Button", "确定", BS_DEFPUSHBUTTON | WS_TABSTOP, 99, 56, 50, 14},
    {IDCANCEL, "Button", "取消", BS_PUSHBUTTON | WS_TABSTOP, 153, 56, 50, 14},
};

constexpr DialogInitEntry kSendOptionsInit[] = {
    {IDC_OPT_LINE_ENDING, CB_ADDSTRING, "无"},       {IDC_OPT_LINE_ENDING, CB_ADDSTRING, "CR (\\r)"},
    {IDC_OPT_LINE_ENDING, CB_ADDSTRING, "LF (\\n)"}, {IDC_OPT_LINE_ENDING, CB_ADDSTRING, "CR LF (\\r\\n)"},
    {IDC_OPT_CHECKSUM, CB_ADDSTRING, "无"},          {IDC_OPT_CHECKSUM, CB_ADDSTRING, "累加和"},
    {IDC_OPT_CHECKSUM, CB_ADDSTRING, "异或"},        {IDC_OPT_CHECKSUM, CB_ADDSTRING, "CRC-16/MODBUS"},
    {IDC_OPT_CHECKSUM, CB_ADDSTRING, "CRC-32"},
};

constexpr DialogItemTemplate kRecvOptionsItems[] = {
    {IDC_RECV_SHOW_PEER, "Button", "每包前显示时间和来源(&T)", BS_AUTOCHECKBOX | WS_TABSTOP, 7, 8, 196, 10},
    {IDC_RECV_SHOW_SENT, "Button", "也显示发送的数据(&S)", BS_AUTOCHECKBOX | WS_TABSTOP, 19, 21, 184, 10},
    {IDC_RECV_BREAK, "Button", "每包换行(&B)", BS_AUTOCHECKBOX | WS_TABSTOP, 7, 34, 196, 10},
    {IDC_STATIC, "Static", "控制字符:", kLabel, 7, 50, 96, 8},
    {IDC_RECV_CONTROLS, "ComboBox", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 7, 60, 96, 60},
    {IDC_STATIC, "Static", "文本编码:", kLabel, 109, 50, 94, 8},
    {IDC_RECV_ENCODING, "ComboBox", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 109, 60, 94, 60},
    {IDOK, "Button", "确定", BS_DEFPUSHBUTTON | WS_TABSTOP, 99, 82, 50, 14},
    {IDCANCEL, "Button", "取消", BS_PUSHBUTTON | WS_TABSTOP, 153, 82, 50, 14},
};

constexpr DialogInitEntry kRecvOptionsInit[] = {
    {IDC_RECV_CONTROLS, CB_ADDSTRING, "原样 (到零字节为止)"}, {IDC_RECV_CONTROLS, CB_ADDSTRING, "显示为 ."},
    {IDC_RECV_CONTROLS, CB_ADDSTRING, "显示为 \\xHH"},        {IDC_RECV_ENCODING, CB_ADDSTRING, "UTF-8"},
    {IDC_RECV_ENCODING, CB_ADDSTRING, "GBK/GB18030"},
};

constexpr DialogItemTemplate kClientListItems[] = {
    {IDC_STATIC, "Static", "已连接的客户端:", kLabel, 7, 4, 120, 8},
    {IDC_CLIENT_LIST, "SysListView32", "", LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS | WS_BORDER | WS_TABSTOP, 7,
     14, 266, 110},
    {IDC_CLIENT_STATUS, "Static", "", SS_LEFT | SS_NOPREFIX, 7, 128, 266, 8},
    {IDC_CLIENT_TARGET_LABEL, "Static", "发送目标:", kLabel, 7, 144, 40, 8},
    {IDC_CLIENT_ALL, "Button", "全部客户端(&A)", BS_AUTORADIOBUTTON | WS_TABSTOP, 49, 143, 64, 10},
    {IDC_CLIENT_ONE, "Button", "选中的客户端(&S)", BS_AUTORADIOBUTTON | WS_TABSTOP, 117, 143, 74, 10},
    {IDC_CLIENT_DROP, "Button", "断开(&D)", BS_PUSHBUTTON | WS_TABSTOP, 171, 158, 48, 14},
    {IDCANCEL, "Button", "关 闭", BS_PUSHBUTTON | WS_TABSTOP, 225, 158, 48, 14},
};

constexpr DialogItemTemplate kAutoReplyItems[] = {
    {IDC_STATIC, "Static", "应答规则:", kLabel, 7, 4, 120, 8},
    {IDC_REPLY_LIST, "SysListView32", "",
     LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_BORDER | WS_TABSTOP, 7, 14, 326, 104},
    {IDC_REPLY_NOTE, "Static",
     "每次读到的数据按顺序与启用的规则比较, 第一条匹配的规则向发来数据的一方应答. TCP 可能把对方的一次发送分几次读到, "
     "也可能把几次合成一次.",
     SS_LEFT | SS_NOPREFIX, 7, 121, 326, 16},
    {IDC_REPLY_STATUS, "Static", "", SS_LEFT | SS_NOPREFIX, 7, 139, 326, 8},
    {IDC_REPLY_ADD, "Button", "添加(&N)...", BS_PUSHBUTTON | WS_TABSTOP, 7, 152, 46, 14},
    {IDC_REPLY_EDIT, "Button", "修改(&E)...", BS_PUSHBUTTON | WS_TABSTOP, 57, 152, 46, 14},
    {IDC_REPLY_DELETE, "Button", "删除(&D)", BS_PUSHBUTTON | WS_TABSTOP, 107, 152, 46, 14},
    {IDC_REPLY_UP, "Button", "上移(&U)", BS_PUSHBUTTON | WS_TABSTOP, 157, 152, 46, 14},
    {IDC_REPLY_DOWN, "Button", "下移(&W)", BS_PUSHBUTTON | WS_TABSTOP, 207, 152, 46, 14},
    {IDC_REPLY_CLEAR, "Button", "清零(&Z)", BS_PUSHBUTTON | WS_TABSTOP, 257, 152, 46, 14},
    {IDC_REPLY_ENABLE, "Button", "启用自动应答(&O)", BS_AUTOCHECKBOX | WS_TABSTOP, 7, 175, 100, 10},
    {IDC_REPLY_IMPORT, "Button", "导入(&I)...", BS_PUSHBUTTON | WS_TABSTOP, 185, 173, 46, 14},
    {IDC_REPLY_EXPORT, "Button", "导出(&X)...", BS_PUSHBUTTON | WS_TABSTOP, 235, 173, 46, 14},
    {IDCANCEL, "Button", "关 闭", BS_PUSHBUTTON | WS_TABSTOP, 287, 173, 46, 14},
};

constexpr DialogItemTemplate kReplyRuleItems[] = {
    {IDC_RULE_ENABLED, "Button", "启用此规则(&B)", BS_AUTOCHECKBOX | WS_TABSTOP, 7, 7, 120, 10},
    {IDC_STATIC, "Static", "匹配方式:", kLabel, 7, 22, 70, 8},
    {IDC_RULE_MATCH_KIND, "ComboBox", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 7, 32, 70, 80},
    {IDC_STATIC, "Static", "匹配内容:", kLabel, 83, 22, 170, 8},
    {IDC_RULE_MATCH, "Edit", "", kPortEdit, 83, 32, 170, 13},
    {IDC_STATIC, "Static", "应答方式:", kLabel, 7, 50, 70, 8},
    {IDC_RULE_REPLY_KIND, "ComboBox", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 7, 60, 70, 60},
    {IDC_STATIC, "Static", "应答内容:", kLabel, 83, 50, 170, 8},
    {IDC_RULE_REPLY, "Edit", "", kPortEdit, 83, 60, 170, 13},
    {IDC_STATIC, "Static", "延时(毫秒):", kLabel, 7, 78, 70, 8},
    {IDC_RULE_DELAY, "Edit", "", kPortEdit | ES_NUMBER, 7, 88, 70, 13},
    {IDC_RULE_CHECKSUM, "Button", "加校验(&K): 按发送设置加行尾和校验", BS_AUTOCHECKBOX | WS_TABSTOP, 83, 90, 170, 10},
    {IDC_STATIC, "Static",
     "文本中可用 \\r \\n \\t \\0 \\\\ \\xHH. 十六进制匹配: 数据中含有这些字节. 正则表达式按字节匹配.",
     SS_LEFT | SS_NOPREFIX, 7, 108, 246, 16},
    {IDOK, "Button", "确定", BS_DEFPUSHBUTTON | WS_TABSTOP, 149, 130, 50, 14},
    {IDCANCEL, "Button", "取消", BS_PUSHBUTTON | WS_TABSTOP, 203, 130, 50, 14},
};

constexpr DialogItemTemplate kCommandListItems[] = {
    {IDC_STATIC, "Static", "命令:", kLabel, 7, 4, 120, 8},
    {IDC_CMD_LIST, "SysListView32", "", LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS | WS_BORDER | WS_TABSTOP, 7, 14,
     366, 112},
    {IDC_CMD_STATUS, "Static", "", SS_LEFT | SS_NOPREFIX, 7, 129, 366, 16},
    {IDC_CMD_ADD, "Button", "添加(&N)...", BS_PUSHBUTTON | WS_TABSTOP, 7, 149, 46, 14},
    {IDC_CMD_EDIT, "Button", "修改(&E)...", BS_PUSHBUTTON | WS_TABSTOP, 57, 149, 46, 14},
    {IDC_CMD_DELETE, "Button", "删除(&D)", BS_PUSHBUTTON | WS_TABSTOP, 107, 149, 46, 14},
    {IDC_CMD_UP, "Button", "上移(&U)", BS_PUSHBUTTON | WS_TABSTOP, 157, 149, 46, 14},
    {IDC_CMD_DOWN, "Button", "下移(&W)", BS_PUSHBUTTON | WS_TABSTOP, 207, 149, 46, 14},
    {IDC_CMD_SEND, "Button", "发送选中(&O)", BS_PUSHBUTTON | WS_TABSTOP, 257, 149, 56, 14},
    {IDC_CMD_TIMES_LABEL, "Static", "次数:", kLabel, 7, 172, 24, 8},
    {IDC_CMD_TIMES, "Edit", "1", kPortEdit | ES_NUMBER, 33, 170, 36, 13},
    {IDC_CMD_RUN, "Button", "运行(&R)", BS_PUSHBUTTON | WS_TABSTOP, 73, 169, 46, 14},
    {IDC_CMD_SAVE, "Button", "保存结果(&V)...", BS_PUSHBUTTON | WS_TABSTOP, 123, 169, 60, 14},
    {IDC_CMD_IMPORT, "Button", "导入(&I)...", BS_PUSHBUTTON | WS_TABSTOP, 225, 169, 46, 14},
    {IDC_CMD_EXPORT, "Button", "导出(&X)...", BS_PUSHBUTTON | WS_TABSTOP, 275, 169, 46, 14},
    {IDCANCEL, "Button", "关 闭", BS_PUSHBUTTON | WS_TABSTOP, 327, 169, 46, 14},
};

constexpr DialogItemTemplate kCommandItems[] = {
    {IDC_STATIC, "Static", "名称:", kLabel, 7, 4, 246, 8},
    {IDC_CMD_NAME, "Edit", "", kPortEdit, 7, 14, 246, 13},
    {IDC_STATIC, "Static", "数据方式:", kLabel, 7, 32, 70, 8},
    {IDC_CMD_KIND, "ComboBox", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 7, 42, 70, 60},
    {IDC_STATIC, "Static", "数据:", kLabel, 83, 32, 170, 8},
    {IDC_CMD_PAYLOAD, "Edit", "", kPortEdit, 83, 42, 170, 13},
    {IDC_STATIC, "Static", "期望应答:", kLabel, 7, 60, 70, 8},
    {IDC_CMD_EXPECT_KIND, "ComboBox", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 7, 70, 70, 90},
    {IDC_STATIC, "Static", "期望内容:", kLabel, 83, 60, 170, 8},
    {IDC_CMD_EXPECT, "Edit", "", kPortEdit, 83, 70, 170, 13},
    {IDC_STATIC, "Static", "超时(毫秒):", kLabel, 7, 88, 70, 8},
    {IDC_CMD_TIMEOUT, "Edit", "", kPortEdit | ES_NUMBER, 7, 98, 70, 13},
    {IDC_STATIC, "Static", "之后间隔(毫秒):", kLabel, 83, 88, 80, 8},
    {IDC_CMD_PAUSE, "Edit", "", kPortEdit | ES_NUMBER, 83, 98, 70, 13},
    {IDC_STATIC, "Static",
     "文本中可用 \\r \\n \\t \\0 \\\\ \\xHH, 发送设置的行尾和校验照加. 应答可分几次读到, 收齐后再判断.",
     SS_LEFT | SS_NOPREFIX, 7, 116, 246, 16},
    {IDOK, "Button", "确定", BS_DEFPUSHBUTTON | WS_TABSTOP, 149, 138, 50, 14},
    {IDCANCEL, "Button", "取消", BS_PUSHBUTTON | WS_TABSTOP, 203, 138, 50, 14},
};

constexpr DialogItemTemplate kTimedSendItems[] = {
    {IDC_STATIC, "Static", "间隔(毫秒):", kLabel, 7, 8, 60, 8},
    {IDC_TIMED_INTERVAL, "Edit", "", kPortEdit | ES_NUMBER, 7, 18, 70, 13},
    {IDC_STATIC, "Static", "次数(0 为不限):", kLabel, 85, 8, 70, 8},
    {IDC_TIMED_COUNT, "Edit", "", kPortEdit | ES_NUMBER, 85, 18, 70, 13},
    {IDC_TIMED_STATUS, "Static", "", SS_LEFT | SS_NOPREFIX, 7, 38, 148, 8},
    {IDC_TIMED_START, "Button", "开 始", BS_DEFPUSHBUTTON | WS_TABSTOP, 51, 52, 50, 14},
    {IDCANCEL, "Button", "关 闭", BS_PUSHBUTTON | WS_TABSTOP, 105, 52, 50, 14},
};

constexpr DialogItemTemplate kSendFileItems[] = {
    {IDC_STATIC, "Static", "文件:", kLabel, 7, 8, 40, 8},
    {IDC_FILE_PATH, "Edit", "", kPortEdit, 7, 18, 180, 13},
    {IDC_FILE_BROWSE, "Button", "浏览(&B)...", BS_PUSHBUTTON | WS_TABSTOP, 191, 17, 50, 14},
    {IDC_STATIC, "Static", "数据报大小(字节):", kLabel, 7, 38, 80, 8},
    {IDC_FILE_DATAGRAM, "Edit", "", kPortEdit | ES_NUMBER, 7, 48, 80, 13},
    {IDC_STATIC, "Static", "数据报间隔(毫秒):", kLabel, 95, 38, 80, 8},
    {IDC_FILE_PAUSE, "Edit", "", kPortEdit | ES_NUMBER, 95, 48, 80, 13},
    {IDC_FILE_STATUS, "Static", "", SS_LEFT | SS_NOPREFIX, 7, 66, 234, 16},
    {IDC_FILE_PROGRESS, "msctls_progress32", "", WS_BORDER, 7, 84, 234, 8},
    {IDC_FILE_START, "Button", "发 送", BS_DEFPUSHBUTTON | WS_TABSTOP, 137, 98, 50, 14},
    {IDCANCEL, "Button", "关 闭", BS_PUSHBUTTON | WS_TABSTOP, 191, 98, 50, 14},
};

constexpr DialogTemplate kDialogs[] = {
    {IDD_ABOUTBOX,
     WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT,
     0,
     235,
     55,
     "关于 Quorvin",
     9,
     kDialogFace,
     kAboutItems,
     {}},
    {IDD_TRAFFIC,
     WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME | DS_SETFONT,
     0,
     460,
     301,
     "通信记录",
     9,
     kDialogFace,
     kTrafficItems,
     {}},
    {IDD_SEND_OPTIONS, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT, 0, 210, 77, "发送设置", 9,
     kDialogFace, kSendOptionsItems, kSendOptionsInit},
    {IDD_RECV_OPTIONS, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT, 0, 210, 103, "接收设置", 9,
     kDialogFace, kRecvOptionsItems, kRecvOptionsInit},
    {IDD_CLIENT_LIST,
     WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME | DS_SETFONT,
     0,
     280,
     178,
     "客户端列表",
     9,
     kDialogFace,
     kClientListItems,
     {}},
    {IDD_AUTO_REPLY,
     WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME | DS_SETFONT,
     0,
     340,
     194,
     "自动应答",
     9,
     kDialogFace,
     kAutoReplyItems,
     {}},
    {IDD_REPLY_RULE,
     WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT,
     0,
     260,
     151,
     "应答规则",
     9,
     kDialogFace,
     kReplyRuleItems,
     {}},
    {IDD_COMMAND_LIST,
     WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME | DS_SETFONT,
     0,
     380,
     190,
     "命令列表",
     9,
     kDialogFace,
     kCommandListItems,
     {}},
    {IDD_COMMAND,
     WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT,
     0,
     260,
     159,
     "命令",
     9,
     kDialogFace,
     kCommandItems,
     {}},
    {IDD_TIMED_SEND,
     WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT,
     0,
     162,
     73,
     "定时发送",
     9,
     kDialogFace,
     kTimedSendItems,
     {}},
    {IDD_SEND_FILE,
     WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT,
     0,
     248,
     119,
     "发送文件",
     9,
     kDialogFace,
     kSendFileItems,
     {}},
    {IDD_SOCKETTEST_DIALOG,
     WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_MODALFRAME | DS_SETFONT, WS_EX_APPWINDOW,
     328, 277, "Quorvin", 9, kDialogFace, kMainDialogItems, kMainDialogInit},
};

constexpr StringResource kStrings[] = {
    {IDS_ABOUTBOX, "关于 Quorvin(&A)..."}, {IDS_TRAFFIC, "通信记录(&R)..."},
    {IDS_CLIENTS, "客户端列表(&K)..."},    {IDS_AUTO_REPLY, "自动应答(&Y)..."},
    {IDS_COMMANDS, "命令列表(&L)..."},     {IDP_SOCKETS_INIT_FAILED, "Windows 通信端口初始化失败。"},
};

// Embedded by the build under these paths.
constexpr BinaryResource kBinaries[] = {
    {"ICON", IDR_MAINFRAME, ":/res/lanspry.ico"},
    {"WAVE", IDR_WAVE_RECEIVE, ":/res/receive.wav"},
};

constexpr ResourceTable kResources{kDialogs, kStrings, kBinaries};

}  // namespace

const ResourceTable& LanspryResources()
{
  return kResources;
}
