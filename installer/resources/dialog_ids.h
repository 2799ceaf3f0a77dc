/* Ids of the dialog templates and of their controls, shared by the resource scripts and the code. */
#pragma once

/* Page templates. */
#define IDD_PAGE_INSTALL 135
#define IDD_PAGE_END 137

/* Controls that every page has. */
#define IDC_STATUS 1003

/* Progress page. */
#define IDC_PROGRESS 1014
#define IDC_LOG 1015

/* End page. */
#define IDC_RESULT 1016
