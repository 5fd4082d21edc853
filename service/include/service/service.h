#pragma once

// The guest-service library: the TCP services the guest's agents connect to.

#include <service/clipboard.h>
#include <service/gps.h>
#include <service/input_method.h>
#include <service/misc.h>
#include <service/pm.h>
#include <service/server_manager.h>
#include <service/socket.h>
#include <service/vinput.h>
