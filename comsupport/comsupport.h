// The COM server support layer: include this for everything.
#pragma once

#include "com_bstr.h"
#include "com_class_factory.h"
#include "com_error.h"
#include "com_exe_module.h"
#include "com_init.h"
#include "com_module.h"
#include "com_object.h"
#include "com_ptr.h"
#include "com_variant.h"
#include "connection_point.h"
#include "disp_event_sink.h"
#include "dispatch_impl.h"
#include "registry_script.h"
#include "type_library.h"
