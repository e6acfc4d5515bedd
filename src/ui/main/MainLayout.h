// The main window's layout: every control with its parent and its place, in
// pixels relative to the parent, at creation (single mode). BuildControls
// places the controls from this table and the layout test checks the window
// against it.
#pragma once

#include "ui/main/RunRules.h"
#include "ui/widgets/Widgets.h"

namespace fapkalk {

inline constexpr LayoutEntry kMainLayout[] = {
    {"Panel1", "Form1", 0, 0, 0, 0, Dock::Fill},
    {"GroupBox1", "Panel1", 0, 0, 0, kGroupHeight, Dock::Top},
    {"Bevel1", "GroupBox1", 8, 16, 497, 41},
    {"Image1", "GroupBox1", 16, 20, 33, 33},
    {"lbvon", "GroupBox1", 56, 28, kFitContent, kFitContent},
    {"eFAPBASIS", "GroupBox1", 205, 24, 80, 24}, // left 88 in extended mode
    {"lbBis", "GroupBox1", 176, 28, kFitContent, kFitContent},
    {"eBis", "GroupBox1", 208, 24, 80, 24},
    {"lbSteps", "GroupBox1", 296, 28, kFitContent, kFitContent},
    {"Edit1", "GroupBox1", 360, 24, 41, 24},
    {"spFAPAEP", "GroupBox1", 416, 24, 73, 25},
    {"rgRechenModi", "GroupBox1", 8, 58, 497, 41},
    {"Panel6", "GroupBox1", 384, 72, 113, 25}, // over the radio group's free third column
    {"labUst", "Panel6", 25, 6, kFitContent, kFitContent},
    {"edUST", "Panel6", 80, 1, 33, 24},
    {"sbSG", "GroupBox1", 8, 104, 161, 22},
    {"sbVet", "GroupBox1", 176, 104, 161, 22},
    {"sbStern", "GroupBox1", 344, 104, 161, 22},
    {"PanelEinzel", "Panel1", kResultPanelLeft, kGroupHeight, kResultPanelWidth,
     kResultPanelHeight},
    {"Label1", "PanelEinzel", 8, 8, kFitContent, kFitContent},
    {"Label4", "PanelEinzel", 8, 32, kFitContent, kFitContent},
    {"Label5", "PanelEinzel", 8, 56, kFitContent, kFitContent},
    {"Label6", "PanelEinzel", 8, 80, kFitContent, kFitContent},
    // Each value on the line of its caption: same top, same pixel height of
    // font, so both share one baseline (KP and AVP once stood 2 and 4 higher).
    {"lbFAP", "PanelEinzel", 216, 8, 96, 20},
    {"lbAEP", "PanelEinzel", 216, 32, 96, 20},
    {"lbKP", "PanelEinzel", 216, 56, 96, 20},
    {"lbAVP", "PanelEinzel", 216, 80, 96, 20},
    {"StafelPanel", "Panel1", 0, 0, 0, 0, Dock::Fill},
    {"Panelfapaepkpavp", "StafelPanel", 0, 0, 0, 19, Dock::Top},
    {"Panel2", "Panelfapaepkpavp", 1, 1, 128, 17},
    {"Panel3", "Panelfapaepkpavp", 129, 1, 128, 17},
    {"Panel4", "Panelfapaepkpavp", 257, 1, 128, 17},
    {"Panel5", "Panelfapaepkpavp", 385, 1, 127, 17},
    {"StringGrid1", "StafelPanel", 0, 0, 0, 0, Dock::Fill},
    {"GroupBox2", "StafelPanel", 110, 0, 280, 113},
    {"Label2", "GroupBox2", 16, 16, kFitContent, kFitContent},
    {"lbCount", "GroupBox2", 176, 16, kFitContent, kFitContent},
    {"Gauge1", "GroupBox2", 16, 48, 249, 25},
    {"btverab", "GroupBox2", 104, 80, 75, 25},
    {"Panel8", "Panel1", 0, 0, 0, kButtonBarHeight, Dock::Bottom},
    // All buttons of the bar share one height, so they line up (Erweitert
    // was 2 pixels higher).
    {"btBerechnen", "Panel8", 8, 6, 89, 25},
    {"btErweitert", "Panel8", 104, 6, 89, 25},
    {"btHinweise", "Panel8", 200, 6, 89, 25},
    {"btExport", "Panel8", 296, 6, 89, 25},
    {"Button2", "Panel8", 392, 6, 89, 25},
    {"btDetMore", "Panel8", 488, 6, 25, 25},
    {"StatusBar1", "Form1", 0, 0, 0, kStatusBarHeight, Dock::Bottom},
};

} // namespace fapkalk
