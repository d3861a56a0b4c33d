// The callbacks both programs bind to the same controls: the close of the
// main panel, Enter in its COM field and a choice in its port list. `P` is the program type the
// callback data points to.
#pragma once

#include "ui/toolkit.h"

namespace tavix::shell {

template <class P>
int CBF_P(int, int event, void* callbackData, int, int) {
  if (event == ui::EVENT_CLOSE) static_cast<P*>(callbackData)->EndProgram();
  return 0;
}

template <class P>
int CBF_EditConnect(int panel, int, int event, void* callbackData, int, int) {
  if (event == ui::EVENT_COMMIT) static_cast<P*>(callbackData)->ChangePort(panel);
  return 0;
}

template <class P>
int CBF_SelectPort(int panel, int, int event, void* callbackData, int, int) {
  if (event == ui::EVENT_COMMIT) static_cast<P*>(callbackData)->ChoosePort(panel);
  return 0;
}

}  // namespace tavix::shell
