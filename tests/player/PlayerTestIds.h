#pragma once
#define IDD_PLAYER_DIALOG 200
#define IDC_PLAYER 1002
