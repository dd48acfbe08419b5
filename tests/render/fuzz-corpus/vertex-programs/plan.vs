; plan.vs - textured sprites of the sky (star pictures, deep-sky pictures,
; survey tiles) and the cloud dome of the planetarium.
;
; Vertex: position v0 (x, y, z), colour v1, texture coordinate v2.
; c2-c5   world x view x projection, transposed: one row per register
; c0.x    scale of the geometry in its own frame (sprite size; 1 for the dome)
; c1.rgb  colour of the draw, multiplied with the vertex colour
; The passes leave c0.yzw and c1.w unset: nothing below reads them. The
; alpha comes from the vertex (and the texture, through the pixel stage).
vs_1_1
dcl_position v0
dcl_color v1
dcl_texcoord v2
mul r0.xyz, v0, c0.x
mov r0.w, v0.w
m4x4 oPos, r0, c2
mul oD0.xyz, v1, c1
mov oD0.w, v1.w
mov oT0, v2
