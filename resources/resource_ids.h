/* Resource and control numbers, shared by the resource script and the code. */
#pragma once

#define IDD_PAPER_CHECK      102
#define IDD_RETRIEVE_WAIT    148
#define IDB_PRINTER          153 /* the printer drawn for 100 % (96 DPI) */
#define IDB_PRINTER_125      154 /* ... and for the larger display scales */
#define IDB_PRINTER_150      155
#define IDB_PRINTER_200      156
#define IDI_ATTENTION        146
#define IDI_WINDOW_ICON      128 /* asked for by the main dialog; not shipped */

/* Template 102 */
#define IDC_RETRY            1000
#define IDC_CANCEL_PRINTING  1002
#define IDC_HELP_BUTTON      1005
#define IDC_SETTING_LIST     1006
#define IDC_APPLICATION_LIST 1007
#define IDC_PRINTER_LIST     1008
#define IDC_IGNORE           1009
#define IDC_TRAY_COMBO       1015
#define IDC_PORT_LABEL       102
#define IDC_UPPER_MESSAGE    103
#define IDC_LOWER_MESSAGE    104
#define IDC_SETTING_HEADER   105
#define IDC_APPLICATION_HEADER 106
#define IDC_PORT_LINE1       108
#define IDC_PORT_LINE2       109
/* Labels that are never shown, each just before the control it names for a
   screen reader (which takes the first static text before a control) */
#define IDC_SETTING_LIST_NAME     1016
#define IDC_APPLICATION_LIST_NAME 1017
#define IDC_PRINTER_LIST_NAME     1018
#define IDC_TRAY_COMBO_NAME       1019

/* Template 148 */
#define IDC_WAIT_MESSAGE     107

/* Timer of the wait dialog */
#define ID_POLL_TIMER        1
#define POLL_PERIOD_MS       1000
