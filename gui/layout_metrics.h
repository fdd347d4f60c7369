#pragma once
// The sizes in pixels that the program sets itself, at a screen's DPI. At 96 DPI they are the
// sizes the program always had; at other DPIs they grow in proportion (rounded half away from
// zero), as the system's fonts and the dialogs from resources do. Standard types only.

/// `px` pixels at 96 DPI, at `dpi` (0 counts as 96).
int scale_px(int px, unsigned dpi);

struct Main_Window_Metrics {
    int number_column;  ///< "#" of the list (and of the Find and Overlaps lists)
    int time_column;    ///< "Start" and "End"
    int length_column;  ///< "Length"
    int saved_part, count_part, length_part, encoding_part;  ///< the status bar's fixed parts
    int edge;           ///< between the panes and the window's left and top edges
    int video_right;    ///< what the video pane leaves of the width beside the list
    int timeline_gap;   ///< between the panes above and the timeline
    int timeline_right; ///< what the timeline leaves of the width
    int timeline_below; ///< what the timeline leaves of the height below the panes (status bar)
};
Main_Window_Metrics main_window_metrics(unsigned dpi);

struct Timeline_Metrics {
    int block_top, block_bottom;  ///< the band of blocks; above it is the ruler
    int text_top;                 ///< a block's text under its number
    int label_x, label_y;         ///< a ruler label beside its line
    int number_height;            ///< a block's number line
    int playhead_half;            ///< half the width of the playhead's triangle
    int flag;                     ///< a sync point's flag
    int edge_grip;                ///< how far a dragged edge may be grabbed
    int snap_reach;               ///< how close a dragged edge snaps to a mark
};
Timeline_Metrics timeline_metrics(unsigned dpi);

struct Clock_Metrics {
    int width, height;  ///< the black box
    int font_height;    ///< its font, as CreateFont takes it (negative: the character height)
    int text_x, text_y; ///< the time inside it
};
Clock_Metrics clock_metrics(unsigned dpi);
