#pragma once
// Misbehaviour on request, for the tests of the plug-in's side: the value
// of $VEX3D_TEST_WORKER_FAULT (kTestFaultVariable) makes the worker
//   segfault      write to memory it may not write,
//   abort         abort,
//   allocate      allocate until its memory budget is spent,
//   spin          compute until its processor time is spent,
//   sleep         wait for ever without using the processor,
//   garbage       answer bytes that are no records,
//   lying-length  announce a record longer than it sends, then end,
//   two-scenes, record-in-scene, scene-too-long   answer an empty scene
//                 twice, with a progress record between its pieces, or
//                 with a byte after its archive,
//   write-files:FOLDER   try to create, change, rename and remove files
//                 in FOLDER, then fail, saying which attempts worked,
//   cut:BYTES     answer as usual but stop after BYTES bytes and exit,
//   die:BYTES     the same, but be killed there instead of exiting.
// It runs once the limits and the write barrier are in place.
namespace vex3d::assimp {

class Answer;

// Does what the variable asks. True when the fault answered in the
// worker's place; false when the variable is unset, names no fault, or
// only cuts the answer short. The other faults never return.
bool runTestFault(Answer& answer);

}  // namespace vex3d::assimp
