// The Windows-shaped modal dialog: a dialog described by a template of controls, run by its
// dialog procedure, and the message box. Only what the launcher's dialog uses: push buttons,
// static texts and pictures, a drop-down list and automatic check boxes.
//
// Contract:
// - DialogBoxIndirectParam makes the dialog, sends WM_INITDIALOG to the procedure and then
//   turns the user's actions into WM_COMMAND until the procedure calls EndDialog; it returns
//   EndDialog's result, or -1 when the dialog could not be shown.
// - WM_COMMAND carries the control's id in the low word of wParam and the notification in the
//   high word: BN_CLICKED for a button (an automatic check box has toggled before),
//   CBN_SELCHANGE for a row picked in the list. Closing the window and Escape send IDCANCEL,
//   Enter the default push button's id.
// - The list takes CB_RESETCONTENT, CB_ADDSTRING (lParam: the text), CB_SETCURSEL (wParam: the
//   row, -1 for none; CB_ERR for a row that is not there), CB_GETCURSEL and CB_GETCOUNT.
// - Texts (caption, controls, list rows, message boxes) are cp1251 bytes; the backend turns
//   them into what the system shows.
// - Positions and sizes are dialog units of the dialog's 8-point font.
// Backends: "sdl" (the default) and "fake" (see dialog_fake.h), chosen before the dialog.
#pragma once

#include "platform/window/winuser.h"

struct platform_dialog_s;
typedef platform_dialog_s *HDLG;
typedef intptr_t INT_PTR;
typedef INT_PTR (*DLGPROC)(HDLG, UINT, WPARAM, LPARAM);

constexpr UINT WM_SETICON = 0x0080;
constexpr UINT WM_INITDIALOG = 0x0110;
constexpr UINT WM_COMMAND = 0x0111;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr WPARAM ICON_SMALL = 0;
constexpr WPARAM ICON_BIG = 1;
constexpr UINT BN_CLICKED = 0;
constexpr UINT CBN_SELCHANGE = 1;
constexpr UINT CB_ADDSTRING = 0x0143;
constexpr UINT CB_GETCOUNT = 0x0146;
constexpr UINT CB_GETCURSEL = 0x0147;
constexpr UINT CB_RESETCONTENT = 0x014B;
constexpr UINT CB_SETCURSEL = 0x014E;
constexpr LRESULT CB_ERR = -1;
constexpr UINT BST_UNCHECKED = 0;
constexpr UINT BST_CHECKED = 1;
constexpr UINT MB_OK = 0x00;
constexpr UINT MB_ICONERROR = 0x10;

enum dialog_item_kind
{
    DLG_DEFPUSHBUTTON,
    DLG_PUSHBUTTON,
    DLG_TEXT,
    DLG_PICTURE,        // resource: the bitmap's number
    DLG_DROPDOWN_LIST,
    DLG_CHECKBOX_LEFT   // an automatic check box with its text on the left
};

struct dialog_item
{
    dialog_item_kind kind;
    int id;  // -1 for a control that sends nothing
    const char *text;
    int x, y, cx, cy;
    int resource;
};

struct dialog_template
{
    const char *caption;
    int cx, cy;
    const dialog_item *items;
    int item_count;
};

INT_PTR DialogBoxIndirectParam(HINSTANCE instance, const dialog_template *dialog, HWND parent, DLGPROC procedure,
                               LPARAM init_param);
BOOL EndDialog(HDLG dialog, INT_PTR result);
LRESULT SendDlgItemMessage(HDLG dialog, int id, UINT message, WPARAM wparam, LPARAM lparam);
// WM_SETICON: wParam ICON_BIG or ICON_SMALL, lParam the icon; returns the icon it replaces.
LRESULT SendMessage(HDLG dialog, UINT message, WPARAM wparam, LPARAM lparam);
BOOL CheckDlgButton(HDLG dialog, int id, UINT check);
UINT IsDlgButtonChecked(HDLG dialog, int id);
// The program's icon of that resource number (the launcher has one, 102), or null.
HICON LoadDialogIcon(HINSTANCE instance, int resource);
// Shows text under caption with an OK button and waits for it; returns IDOK.
int MessageBox(HWND parent, const char *text, const char *caption, UINT type);
