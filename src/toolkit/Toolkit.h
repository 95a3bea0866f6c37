#pragma once
// Everything a program built on the toolkit includes.
#include "toolkit/UIBackend.h"
#include "toolkit/UIBase.h"
#include "toolkit/UIContainer.h"
#include "toolkit/UIControl.h"
#include "toolkit/UIControls.h"
#include "toolkit/UIDlgBuilder.h"
#include "toolkit/UIManager.h"
#include "toolkit/UIMessageLoop.h"
#include "toolkit/UIRender.h"
#include "toolkit/UIResource.h"
#include "toolkit/WindowImplBase.h"
