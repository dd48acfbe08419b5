vs_1_1
; c0.x: size; c1: colour; c2..c5: transposed world-view-projection
dcl_position v0
dcl_color v1
def c6, 1.0, 0.5, 0.0, 1.0
mul r0.xyz, v0, c0.x
mov r0.w, c6.x
dp4 oPos.x, r0, c2
dp4 oPos.y, r0, c3
dp4 oPos.z, r0, c4
dp4 oPos.w, r0, c5
mul oD0, v1, c1   // vertex colour times c1
