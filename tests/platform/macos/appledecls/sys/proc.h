// <sys/proc.h>: process states (p_stat).
#pragma once
#define SZOMB 5 // awaiting collection by the parent
