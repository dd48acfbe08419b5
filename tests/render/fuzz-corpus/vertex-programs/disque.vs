; disque.vs - filled ellipses: deep-sky object outlines and the horizon disc.
;
; Vertex: position v0 (x, y, z) of the unit disc, colour v1.
; c2-c5   world x view x projection, transposed: one row per register
; c0.x    semi-axis along x, c0.y semi-axis along y
; c1.rgb  colour of the draw, multiplied with the vertex colour
; c0.zw and c1.w are not read (the horizon pass leaves them unset); the
; alpha is the vertex's.
vs_1_1
dcl_position v0
dcl_color v1
mul r0.xy, v0, c0
mov r0.zw, v0
m4x4 oPos, r0, c2
mul oD0.xyz, v1, c1
mov oD0.w, v1.w
