#pragma once
// Resource ids shared by Resources.rc and the view. Pictures are RCDATA named by
// their file names, as the layout names them.
#define IDI_UPLOADER 1
