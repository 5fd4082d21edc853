#pragma once

// When the connection to the display server breaks, Qt warns and then calls
// exit(). exit() destroys the program's static objects while the launch
// worker, the guest services and the renderer still run on their threads
// and use them: the player could crash or hang on its way out. Installed
// once, before the event loop runs, this ends the program at that warning
// without running any destructor, as a crash of the display would end it
// anyway. A VirtualBox machine is left running for the next start to stop;
// the simulated guest follows its parent.
void endAtOnceWhenDisplayLost();
