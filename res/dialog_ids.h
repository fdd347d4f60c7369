#pragma once
// Ids of the secondary dialogs (106 to 113) and their controls.
